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
#include <optional>
#include <stop_token>

class QAbstractScrollArea;
class QCheckBox;
class QLabel;
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
    /// Stops a scan still running and waits for it: the alias at hand is finished, nothing
    /// after it is started; its answer goes nowhere.
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
    QPushButton* stopButton = nullptr; // shown while a scan runs
    QLabel* statusLine = nullptr;      // progress, what the next scan writes, the last save

    /// Runs the scans, at most six at once (the disabled scan button keeps it to one).
    QThreadPool processingQueue;

    /// The folder of the last scan started, and the broken aliases its answer found (-1: none
    /// yet): what "Find Moved Targets..." works on.
    std::string scannedFolder;
    std::int64_t lastBrokenCount = -1;
    MovedTargetsController* movedTargets = nullptr;

    /// True from the start of a scan until its answer has been shown.
    bool isScanning() const { return scanning_; }
    /// A scan has been started in this window, so Rescan has a folder, and neither a scan nor
    /// the folder panel is under way (the scan button is enabled).
    bool canRescan() const;
    bool canEnlarge() const;
    bool canShrink() const;
    bool wrapsLines() const;

    // Scan control.
    void openPanelDidEnd(int response, const QString& path);
    /// `applyOptions` false: the scan only reads, whatever Mark and Refresh say.
    void startScan(const FileUrl& folderUrl, bool applyOptions = true);
    void scanFinished(const std::shared_ptr<ScanReport>& report);
    void folderNotFound();
    /// How far the running scan has got, posted by it about ten times a second.
    void scanProgressed(qint64 entries, qint64 aliases, const QString& folder);

    /// Shows `text` in the status line until the next scan or change of an option.
    void showStatus(const QString& text);

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
    /// Back to the first-launch size, 12 points.
    void resetFontSize();
    /// Asks the running scan to stop; its report of what was done is shown as usual.
    void stopScan();
    /// Scans the folder of the last scan again, typed or picked.
    void rescan();
    /// Wraps long lines of the output at the view's width; kept in the settings.
    void setWrapLines(bool wrap);

signals:
    /// A scan's answer has been shown and the controls are back.
    void scanAnswered();
    /// Scanning started or ended, or the font size changed: what the menus offer may differ.
    void controlsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    /// Runs the calls its scans post (`GuiCall`).
    void customEvent(QEvent* event) override;

private:
    void applyOutputStyle();
    void stepFontSize(double newSize);
    void endScan();
    void showIdleStatus();

    std::unique_ptr<Ui::ViewControllerForm> ui_;
    PlatformFactory makePlatform_;
    std::shared_ptr<FilePanels> panels_;
    bool scanning_ = false;
    std::stop_source stopSource_;
    std::optional<FileUrl> lastFolder_;
    QString lastTitle_;
    QString lastCounts_; // the counts of the last scan, for the status line
    qint64 entries_ = 0, aliases_ = 0;
};

} // namespace korvex
