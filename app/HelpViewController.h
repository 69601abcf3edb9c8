#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QPdfBookmarkModel;
class QPdfDocument;
class QTabWidget;
class QTextBrowser;
class QTreeView;

namespace korvex {

class HelpPdfView;
class HelpSearchBar;

/// The content of a help window: the manual twice, as pages ("KorvexHelp.pdf", as wide as
/// the view, with its contents, the PDF's outline, beside it) and as text that can be selected
/// and copied ("KorvexHelp.md" beside the PDF, the Markdown the PDF is made from), with a find
/// bar above both.
///
/// The manual is looked up every time the view appears (viewDidAppear, driven by show
/// events) and loaded again only when the file has changed, so the place the reader left stays.
/// A manual that can't be found leaves the view as it was; a file that is not a readable PDF
/// leaves thePDFDocument() empty and the page view blank. Neither shows a message.
///
/// Keys: Ctrl++ / Ctrl+= / Ctrl+- zoom around the middle of the view, Ctrl+0 fits the width
/// again; Home, End, Page Up and Page Down move through the manual; Ctrl+F finds, F3 / Shift+F3
/// step through the matches; Ctrl+W closes the window. Escape only closes the find bar: a help
/// window is a window, not a dialog.
class HelpViewController : public QWidget {
    Q_OBJECT

public:
    /// File names of the manual, as pages and as text.
    static constexpr const char* manualFileName = "KorvexHelp.pdf";
    static constexpr const char* manualTextFileName = "KorvexHelp.md";

    /// Answers the manual's path, or an empty string when there is none.
    using ManualLocator = std::function<QString()>;

    explicit HelpViewController(QWidget* parent = nullptr);
    ~HelpViewController() override;

    HelpPdfView* helpPDFView() const { return helpPDFView_; }
    /// The document loaded last; null before the first load and after a failed one.
    QPdfDocument* thePDFDocument() const { return thePDFDocument_.get(); }
    QTreeView* contentsView() const { return contents_; }
    QPdfBookmarkModel* contentsModel() const { return outline_; }
    HelpSearchBar* searchBar() const { return search_; }
    /// The manual as text; empty when there is no KorvexHelp.md beside the PDF.
    QTextBrowser* textView() const { return text_; }
    /// The tabs "Pages" and "Text".
    QTabWidget* views() const { return views_; }

    /// Loads the manual into the view (see the class comment).
    void viewDidAppear();

    /// Replaces how every help view finds the manual; an empty locator restores the default.
    static void setManualLocator(ManualLocator locator);

    /// The default lookup: beside the executable (build tree), then `../share/korvex/` from the
    /// executable's folder (wherever the package was installed), then `installedDataDir`.
    /// Only existing regular files count. Empty when none is found.
    static QString locateManual(const QString& executableDir, const QString& installedDataDir);

    /// The Markdown manual made fit to show as text: pictures (which only the pages show)
    /// become their captions.
    static QString manualTextFromMarkdown(const QString& markdown);

public slots:
    void zoomIn();
    void zoomOut();
    /// Back to the page as wide as the view.
    void fitWidth();

protected:
    void showEvent(QShowEvent* event) override;

private:
    /// What identifies a file's version: path, size and time of the last change.
    struct FileStamp {
        QString path;
        qint64 size = -1;
        QDateTime modified;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp stampOf(const QString& path);

    void addKeys();
    void loadPages(const QString& path);
    void loadText(const QString& path);
    void zoomBy(double factor);
    void scrollTo(bool end);
    void pageStep(bool down);
    void goTo(int page, QPointF location);

    HelpPdfView* helpPDFView_;
    std::unique_ptr<QPdfDocument> thePDFDocument_;
    QTreeView* contents_;
    QPdfBookmarkModel* outline_;
    HelpSearchBar* search_;
    QTextBrowser* text_;
    QTabWidget* views_;
    FileStamp pagesLoaded_;
    FileStamp textLoaded_;
};

} // namespace korvex
