#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

namespace korvex {

class DocumentWindow;

/// Why a document refused to give or take data.
struct DocumentError {
    QString domain;
    int code = 0;
};

/// The error of every data operation: the system's status for an unimplemented operation.
inline const QString osStatusErrorDomain = QStringLiteral("NSOSStatusErrorDomain");
inline constexpr int unimplementedStatus = -4;

/// A document exists only to make one main window; it holds no data and is never written to or
/// read from a file. It owns the windows it made.
class Document : public QObject {
    Q_OBJECT
public:
    explicit Document(QObject* parent = nullptr);
    ~Document() override;

    static bool autosavesInPlace() { return false; }

    /// Makes the main window from the storyboard "Main" and adds it to this document.
    void makeWindowControllers();
    void addWindowController(DocumentWindow* window);
    QList<DocumentWindow*> windowControllers() const;

    /// Always fails: no data, the error above in `error` when given.
    std::optional<QByteArray> dataOfType(const QString& typeName, DocumentError* error) const;
    /// Always fails: false, the error above in `error` when given.
    bool readFromData(const QByteArray& data, const QString& typeName, DocumentError* error);

private:
    QList<QPointer<DocumentWindow>> windows_;
};

} // namespace korvex
