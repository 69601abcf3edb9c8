#pragma once

#include <QObject>

#include <memory>
#include <vector>

namespace korvex {

class Document;
class DocumentWindow;

/// Keeps the open documents: makes a new untitled one with its window on request and lets a
/// document go when its window has closed. A window closed while its scan runs stays alive,
/// hidden, until the scan has answered, so the scan always runs to its end.
class DocumentController : public QObject {
    Q_OBJECT
public:
    DocumentController();
    /// Frees every document; a window whose scan still runs waits for it first.
    ~DocumentController() override;

    /// A new document with its main window, shown. None when the window couldn't be made.
    Document* newDocument();
    /// The same, its window taking the options of `source`'s window (File > New Window there).
    Document* newDocumentFrom(DocumentWindow* source);

    const std::vector<std::unique_ptr<Document>>& documents() const { return documents_; }

signals:
    /// A document has been freed.
    void documentClosed();

private:
    void windowClosed(Document* document, DocumentWindow* window);
    void closeDocument(Document* document);

    std::vector<std::unique_ptr<Document>> documents_;
};

} // namespace korvex
