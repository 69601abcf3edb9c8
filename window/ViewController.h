#pragma once

#include "FilePanels.h"
#include "FileUrl.h"
#include "MovedTargetsHost.h"
#include "PlatformFactory.h"
#include "ScanAnswers.h"
#include "ScanReport.h"

#include <QPointer>
#include <QThreadPool>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <optional>
#include <stop_token>

class QAction;
class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace Ui {
class ViewControllerForm;
}

namespace korvex {

class ElidedLabel;
class FindBar;
class MovedTargetsController;
class SpinnerWidget;

/// The controller of one main window's content: the folder field, the flush, mark and rewrite
/// options, the scan button, the spinner and the output console. It starts scans on its own
/// thread pool and shows their one answer, keeps the options and the font size in the
/// settings, styles the output and saves it. Everything here runs on the GUI thread.
///
/// Its widgets are its own: others reach it through the operations below, its scans through
/// `ScanAnswers`, and Find Moved Targets through `MovedTargetsHost`.
class ViewController : public QWidget, public ScanAnswers, private MovedTargetsHost {
    Q_OBJECT
public:
    /// `makePlatform` gives each scan its platform; `panels` shows the folder and save panels.
    ViewController(PlatformFactory makePlatform, std::shared_ptr<FilePanels> panels,
                   QWidget* parent = nullptr);
    /// Stops a scan still running and waits for it: the alias at hand is finished, nothing
    /// after it is started; its answer goes nowhere.
    ~ViewController() override;

    /// The folder the save panel opens in: the home folder, then the folder of the last save.
    QUrl homeDir() const { return homeDir_; }
    /// The point size of all output text.
    double fontSize() const { return theFontSize_; }

    /// True from the start of a scan until its answer has been shown.
    bool isScanning() const override { return scanning_; }
    /// A scan has been started in this window, so Rescan has a folder, and neither a scan nor
    /// the folder panel is under way (the scan button is enabled).
    bool canRescan() const;
    /// Neither a scan nor the folder panel is under way: a new scan can be started.
    bool canStartScan() const;
    bool canEnlarge() const;
    bool canShrink() const;
    bool wrapsLines() const;

    /// Starts a scan of `folderUrl` with the options as they are now.
    void startScan(const FileUrl& folderUrl);
    /// The folder named on the command line: typed into the field and scanned, only reading,
    /// since the user hasn't asked this window for anything yet; the status line says how to
    /// apply Mark and Refresh when they are on.
    void scanFolderGivenAtLaunch(const QString& typed);
    /// Sets the three options as `source` has them (a window made from another).
    void takeOptionsFrom(const ViewController& source);

    /// Edit > Find Moved Targets... and Edit > Undo Relink (Ctrl+Z), for the window's menu:
    /// enabled exactly when they can do something.
    QAction* findMovedTargetsAction() const;
    QAction* undoRelinkAction() const;

    /// Shows `text` in the status line until the next scan or change of an option.
    void showStatus(const QString& text) override;

    // Output console.
    void showOutputText(const QString& text);
    void appendOutputText(const QString& text) override;
    void restyleOutputText();
    /// The shown text as plain text, exactly as it was given (line feeds between lines).
    QString outputString() const;

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
    /// Edit > Find Moved Targets...
    void findMovedTargets();
    /// Browse...: picks a folder with the folder panel and puts its path into the field.
    void browseForFolder();
    /// File > Scan Folder...: picks a folder with the folder panel and scans it.
    void scanFolderFromPanel();

signals:
    /// A scan's answer has been shown and the controls are back.
    void scanAnswered();
    /// Scanning started or ended, or the font size changed: what the menus offer may differ.
    void controlsChanged();

protected:
    void showEvent(QShowEvent* event) override;
    /// A folder dropped anywhere on the content, the field and the output included, is typed
    /// into the field and scanned, only reading (as at launch).
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    /// Runs the calls its scans post (`GuiCall`).
    void customEvent(QEvent* event) override;

private:
    /// Whether a scan may write: only one the user started with Scan, Rescan or the folder
    /// panel applies Mark and Refresh.
    enum class Writes { asOptionsSay, none };

    // Scan control.
    void startScan(const FileUrl& folderUrl, Writes writes);
    void scanTypedText(const QString& typed, Writes writes);
    void beginFolderPanel();
    void openPanelDidEnd(int response, const QString& path);
    void scanFinished(const std::shared_ptr<ScanReport>& report) override;
    void folderNotFound() override;
    /// How far the running scan has got, posted by it about ten times a second.
    void scanProgressed(qint64 entries, qint64 aliases, const QString& folder) override;

    // Settings and lifecycle.
    void viewDidLoad();
    void viewDidAppear();
    /// Stores the option of `box` under `key` as soon as it changes.
    void storeOption(const QString& key, const QCheckBox* box);

    // What Find Moved Targets uses.
    const std::string& scannedFolder() const override { return scannedFolder_; }
    std::int64_t lastBrokenCount() const override { return lastBrokenCount_; }
    bool marksBrokenAliases() const override;
    QThreadPool& jobPool() override { return processingQueue_; }
    QObject* answerReceiver() override { return this; }
    QWidget* dialogParent() override { return window(); }
    void rescanAfterRelink() override;

    /// The completion of the save panel: writes `snapshot` to `path` when confirmed; then, if
    /// the controller still exists, moves its save folder or shows the failure.
    static void savePanelDidEnd(QPointer<ViewController> controller, int response,
                                const QString& path, const QString& snapshot);

    /// Names for screen readers that the form can't give.
    void describeForScreenReaders();
    /// The report's find bar (Ctrl+F, F3, Shift+F3).
    void addFindBar();
    /// Scan is off while a scan or the folder panel is under way.
    void disableScanButton();
    /// Focus on `leaving`, about to be disabled or hidden, waits on the report, and goes back
    /// to Scan when Scan is on again (unless the user has moved it meanwhile).
    void parkFocus(QWidget* leaving);
    void unparkFocus();

    void applyOutputStyle();
    void stepFontSize(double newSize);
    void endScan();
    void showIdleStatus();
    /// The status line's text, whole in its tooltip (the line itself may be cut to fit).
    void setStatusText(const QString& text);
    bool acceptsDrop(QDropEvent* event);

    std::unique_ptr<Ui::ViewControllerForm> ui_;
    QUrl homeDir_;
    double theFontSize_ = 12.0;

    QLineEdit* folderTextbox = nullptr;
    QPushButton* browseButton = nullptr;
    QPlainTextEdit* outputTextbox = nullptr; // its own scroll area too
    QCheckBox* flushCheckbox = nullptr;
    SpinnerWidget* progressSpinner = nullptr;
    QPushButton* scanButtonBut = nullptr;
    QCheckBox* markCheckbox = nullptr;
    QCheckBox* rewriteCheckbox = nullptr;
    QPushButton* stopButton = nullptr; // shown while a scan runs
    ElidedLabel* statusLine = nullptr; // progress, what the next scan writes, the last save
    MovedTargetsController* movedTargets_ = nullptr;
    FindBar* findBar_ = nullptr; // above the report, hidden until Ctrl+F
    bool focusParked_ = false;

    /// Runs the scans, at most six at once (the disabled scan button keeps it to one).
    QThreadPool processingQueue_;

    PlatformFactory makePlatform_;
    std::shared_ptr<FilePanels> panels_;
    bool scanning_ = false;
    std::stop_source stopSource_;
    std::optional<FileUrl> lastFolder_;
    /// The folder of the last scan started, and the broken aliases its answer found (-1: none
    /// yet): what Find Moved Targets works on.
    std::string scannedFolder_;
    std::int64_t lastBrokenCount_ = -1;
    QString lastTitle_;
    QString lastCounts_; // the counts of the last scan, for the status line
    /// Set while a scan that didn't apply Mark or Refresh runs and after it: says how to apply.
    QString withheldNote_;
    bool loadingOptions_ = false; // options set from the settings are not stored back
    qint64 entries_ = 0, aliases_ = 0;
};

} // namespace korvex
