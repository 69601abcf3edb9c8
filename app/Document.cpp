#include "Document.h"

#include "DocumentWindow.h"
#include "Storyboard.h"

namespace korvex {

namespace {

void reportUnimplemented(DocumentError* error) {
    if (error) {
        *error = DocumentError{osStatusErrorDomain, unimplementedStatus};
    }
}

} // namespace

Document::Document(QObject* parent) : QObject(parent) {}

Document::~Document() {
    for (const QPointer<DocumentWindow>& window : windows_) {
        delete window.data();
    }
}

void Document::makeWindowControllers() {
    QWidget* made = Storyboard::storyboardWithName(QStringLiteral("Main"))
                        .instantiateControllerWithIdentifier(documentWindowControllerIdentifier);
    auto* window = qobject_cast<DocumentWindow*>(made);
    if (!window) {
        delete made; // not a main window: nothing this document can use
        return;
    }
    addWindowController(window);
}

void Document::addWindowController(DocumentWindow* window) {
    windows_.append(window);
}

QList<DocumentWindow*> Document::windowControllers() const {
    QList<DocumentWindow*> windows;
    for (const QPointer<DocumentWindow>& window : windows_) {
        if (window) {
            windows.append(window.data());
        }
    }
    return windows;
}

std::optional<QByteArray> Document::dataOfType(const QString&, DocumentError* error) const {
    reportUnimplemented(error);
    return std::nullopt;
}

bool Document::readFromData(const QByteArray&, const QString&, DocumentError* error) {
    reportUnimplemented(error);
    return false;
}

} // namespace korvex
