#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QPdfBookmarkModel;
class QPdfDocument;
class QPdfView;
class QTreeView;

namespace korvex {

class HelpSearchBar;

/// The content of a help window: the manual "KorvexHelp.pdf", scaled to fit the view, with
/// its contents (the PDF's outline) beside it and a find bar above it.
///
/// The manual is loaded afresh every time the view appears (viewDidAppear, driven by show
/// events). A manual that can't be found leaves the view as it was; a file that is not a
/// readable PDF leaves thePDFDocument() empty and the view blank. Neither shows a message.
///
/// Keys: Ctrl++ / Ctrl+= / Ctrl+- zoom, Ctrl+0 fits the page again; Home, End, Page Up and
/// Page Down move through the manual; Ctrl+F finds, F3 / Shift+F3 step through the matches;
/// Ctrl+W and Escape close the window.
class HelpViewController : public QWidget {
    Q_OBJECT

public:
    /// File name of the manual.
    static constexpr const char* manualFileName = "KorvexHelp.pdf";

    /// Answers the manual's path, or an empty string when there is none.
    using ManualLocator = std::function<QString()>;

    explicit HelpViewController(QWidget* parent = nullptr);
    ~HelpViewController() override;

    QPdfView* helpPDFView() const { return helpPDFView_; }
    /// The document loaded last; null before the first load and after a failed one.
    QPdfDocument* thePDFDocument() const { return thePDFDocument_.get(); }
    QTreeView* contentsView() const { return contents_; }
    QPdfBookmarkModel* contentsModel() const { return outline_; }
    HelpSearchBar* searchBar() const { return search_; }

    /// Loads the manual into the view (see the class comment).
    void viewDidAppear();

    /// Replaces how every help view finds the manual; an empty locator restores the default.
    static void setManualLocator(ManualLocator locator);

    /// The default lookup: beside the executable (build tree), then `../share/korvex/` from the
    /// executable's folder (wherever the package was installed), then `installedDataDir`.
    /// Only existing regular files count. Empty when none is found.
    static QString locateManual(const QString& executableDir, const QString& installedDataDir);

public slots:
    void zoomIn();
    void zoomOut();
    /// Back to the whole page in view.
    void fitPage();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void addKeys();
    void zoomBy(double factor);
    void scrollTo(bool end);
    void goTo(int page, QPointF location);

    QPdfView* helpPDFView_;
    std::unique_ptr<QPdfDocument> thePDFDocument_;
    QTreeView* contents_;
    QPdfBookmarkModel* outline_;
    HelpSearchBar* search_;
};

} // namespace korvex
