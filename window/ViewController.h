#pragma once

#include "FilePanels.h"
#include "FileUrl.h"
#include "PlatformFactory.h"
#include "ScanReport.h"

#include <QPointer>
#include <QThreadPool>
#include <QUrl>
#include <QWidget>

#include <memory>

class QAbstractScrollArea;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace Ui {
class ViewControllerForm;
}

namespace korvex {

class MovedTargetsController;
class SpinnerWidget;

/// The controller of one main window's content: the folder field, the flush, mark and rewrite
/// options, the scan button, the spinner and the output console. It starts scans on its own
/// thread pool and shows their one answer, keeps the options and the font size in the
/// settings, styles the output and saves it. Everything here runs on the GUI thread.
class ViewController : public QWidget {
    Q_OBJECT
public:
    /// `makePlatform` gives each scan its platform; `panels` shows the folder and save panels.
    ViewController(PlatformFactory makePlatform, std::shared_ptr<FilePanels> panels,
                   QWidget* parent = nullptr);
    /// Waits for a scan still running: it finishes its writes; its answer goes nowhere.
    ~ViewController() override;

    /// The folder the save panel opens in: the home folder, then the folder of the last save.
    QUrl homeDir;
    /// The point size of all output text.
    double theFontSize = 12.0;

    QLineEdit* folderTextbox = nullptr;
    QAbstractScrollArea* outputScroller = nullptr; // the output view's own scroll area
    QPlainTextEdit* outputTextbox = nullptr;
    QCheckBox* flushCheckbox = nullptr;
    SpinnerWidget* progressSpinner = nullptr;
    QPushButton* scanButtonBut = nullptr;
    QCheckBox* markCheckbox = nullptr;
    QCheckBox* rewriteCheckbox = nullptr;

    /// Runs the scans, at most six at once (the disabled scan button keeps it to one).
    QThreadPool processingQueue;

    /// The folder of the last scan started, and the broken aliases its answer found (-1: none
    /// yet): what "Find Moved Targets..." works on.
    std::string scannedFolder;
    std::int64_t lastBrokenCount = -1;
    MovedTargetsController* movedTargets = nullptr;

    /// True from the start of a scan until its answer has been shown.
    bool isScanning() const { return scanning_; }

    // Scan control.
    void openPanelDidEnd(int response, const QString& path);
    void startScan(const FileUrl& folderUrl);
    void scanFinished(const std::shared_ptr<ScanReport>& report);
    void folderNotFound();

    // Settings and lifecycle.
    void viewDidLoad();
    void viewDidAppear();
    void viewWillDisappear();

    // Output console.
    void showOutputText(const QString& text);
    void appendOutputText(const QString& text);
    void restyleOutputText();
    /// The shown text as plain text, exactly as it was given (line feeds between lines).
    QString outputString() const;

    /// The completion of the save panel: writes `snapshot` to `path` when confirmed; then, if
    /// the controller still exists, moves its save folder or shows the failure.
    static void savePanelDidEnd(QPointer<ViewController> controller, int response,
                                const QString& path, const QString& snapshot);

public slots:
    void scanButton();
    void saveButton();
    void incFontSize();
    void decFontSize();

signals:
    /// A scan's answer has been shown and the controls are back.
    void scanAnswered();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void applyOutputStyle();
    void stepFontSize(double newSize);
    void endScan();

    std::unique_ptr<Ui::ViewControllerForm> ui_;
    PlatformFactory makePlatform_;
    std::shared_ptr<FilePanels> panels_;
    bool scanning_ = false;
};

} // namespace korvex
