#pragma once

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class QPdfDocument;
class QPdfView;

namespace korvex {

/// The content of a help window: the manual "KorvexHelp.pdf", scaled to fit the view.
///
/// The manual is loaded afresh every time the view appears (viewDidAppear, driven by show
/// events). A manual that can't be found leaves the view as it was; a file that is not a
/// readable PDF leaves thePDFDocument() empty and the view blank. Neither shows a message.
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

    /// Loads the manual into the view (see the class comment).
    void viewDidAppear();

    /// Replaces how every help view finds the manual; an empty locator restores the default.
    static void setManualLocator(ManualLocator locator);

    /// The default lookup: beside the executable (build tree), then `../share/korvex/` from the
    /// executable's folder (wherever the package was installed), then `installedDataDir`.
    /// Only existing regular files count. Empty when none is found.
    static QString locateManual(const QString& executableDir, const QString& installedDataDir);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QPdfView* helpPDFView_;
    std::unique_ptr<QPdfDocument> thePDFDocument_;
};

} // namespace korvex
