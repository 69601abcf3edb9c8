#include "DocumentController.h"

#include "Document.h"
#include "DocumentWindow.h"
#include "ViewController.h"

#include <algorithm>

namespace korvex {

DocumentController::DocumentController() = default;

DocumentController::~DocumentController() = default;

Document* DocumentController::newDocument() {
    auto document = std::make_unique<Document>();
    document->makeWindowControllers();
    const QList<DocumentWindow*> windows = document->windowControllers();
    if (windows.isEmpty()) {
        return nullptr;
    }
    Document* made = document.get();
    documents_.push_back(std::move(document));
    for (DocumentWindow* window : windows) {
        connect(window, &DocumentWindow::newWindowRequested, this,
                [this, window] { newDocumentFrom(window); });
        connect(window, &DocumentWindow::closed, this,
                [this, made, window] { windowClosed(made, window); });
        window->show();
    }
    return made;
}

Document* DocumentController::newDocumentFrom(DocumentWindow* source) {
    Document* made = newDocument();
    if (made && source && source->contentViewController()) {
        for (DocumentWindow* window : made->windowControllers()) {
            window->contentViewController()->takeOptionsFrom(*source->contentViewController());
        }
    }
    return made;
}

void DocumentController::windowClosed(Document* document, DocumentWindow* window) {
    ViewController* content = window->contentViewController();
    if (content && content->isScanning()) {
        connect(
            content, &ViewController::scanAnswered, this,
            [this, document] { closeDocument(document); }, Qt::QueuedConnection);
        return;
    }
    // Later, once the window has hidden and its content has stored its options.
    QMetaObject::invokeMethod(
        this, [this, document] { closeDocument(document); }, Qt::QueuedConnection);
}

void DocumentController::closeDocument(Document* document) {
    const auto found = std::find_if(
        documents_.begin(), documents_.end(),
        [document](const std::unique_ptr<Document>& d) { return d.get() == document; });
    if (found == documents_.end()) {
        return; // already gone
    }
    documents_.erase(found);
    emit documentClosed();
}

} // namespace korvex
