#include "ViewController.h"

#include "AtomicFile.h"
#include "ElidedLabel.h"
#include "FindBar.h"
#include "GuiCall.h"
#include "MovedTargetsController.h"
#include "PathMappingStore.h"
#include "PrintableText.h"
#include "ScanOptions.h"
#include "ScanTask.h"
#include "SpinnerWidget.h"
#include "TypedPath.h"
#include "UiLanguage.h"
#include "ui_ViewController.h"

#include <QAction>
#include <QApplication>
#include <QCompleter>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QLocale>
#include <QMimeData>
#include <QSettings>
#include <QShowEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolButton>

#include <cerrno>
#include <cstring>
#include <utility>

namespace korvex {

namespace {

constexpr double initialFontSize = 12.0;
constexpr double smallestStoredFontSize = 4.0;
constexpr double fontStep = 1.0;
constexpr double largestSteppedFontSize = 24.0;
constexpr double smallestSteppedFontSize = 4.0;
constexpr int largestConcurrentScans = 6;

const QString korvexTitle = QStringLiteral("Korvex");
const QString flushKey = QStringLiteral("flush");
const QString markKey = QStringLiteral("mark");
const QString rewriteKey = QStringLiteral("rewrite");
const QString fontSizeKey = QStringLiteral("fontSize");
const QString wrapLinesKey = QStringLiteral("wrapLines");

/// The settings shared by every window of the program.
class Settings : public QSettings {
public:
    Settings() : QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex")) {}
};

bool isOn(const QCheckBox* box) {
    return box->checkState() == Qt::Checked; // partially checked counts as off
}

Qt::CheckState stateFor(bool on) {
    return on ? Qt::Checked : Qt::Unchecked;
}

/// The folder of a drag: exactly one local path that is a folder, else none.
QString draggedFolder(const QMimeData* data) {
    if (!data || !data->hasUrls() || data->urls().size() != 1) {
        return {};
    }
    const QUrl url = data->urls().first();
    if (!url.isLocalFile()) {
        return {};
    }
    const QString path = url.toLocalFile();
    return QFileInfo(path).isDir() ? QDir::cleanPath(path) : QString();
}

OpenPanelRequest folderPanelRequest(const QString& prompt) {
    OpenPanelRequest request;
    request.allowsMultipleSelection = false;
    request.canChooseDirectories = true;
    request.showsHiddenFiles = true;
    request.canChooseFiles = false;
    request.treatsFilePackagesAsDirectories = true;
    request.prompt = prompt;
    return request;
}

/// Replaces the file at `path` with `text` as UTF-8 without a byte-order mark. The new text
/// goes to a temporary file beside it first and takes the name in one step, so a failed write
/// never leaves the old file half-overwritten. A link the user picked is followed to its file.
bool writeTextFile(const QString& path, const QString& text, QString& error) {
    const QFileInfo info(path);
    const QString target =
        info.isSymLink() && !info.canonicalFilePath().isEmpty() ? info.canonicalFilePath() : path;
    QByteArray bytes = text.toUtf8();
    if (!bytes.isEmpty() && !bytes.endsWith('\n')) {
        bytes += '\n'; // a text file's last line ends too, as korvex-scan prints it
    }
    errno = 0;
    if (!AtomicFile().writeAtPath(QFile::encodeName(target).toStdString(),
                                  {reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                   static_cast<std::size_t>(bytes.size())})) {
        error = QString::fromLocal8Bit(std::strerror(errno ? errno : EIO));
        return false;
    }
    return true;
}

} // namespace

ViewController::ViewController(PlatformFactory makePlatform, std::shared_ptr<FilePanels> panels,
                               QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ViewControllerForm>()),
      homeDir_(QUrl::fromLocalFile(QDir::homePath())), theFontSize_(initialFontSize),
      makePlatform_(std::move(makePlatform)), panels_(std::move(panels)) {
    processingQueue_.setMaxThreadCount(largestConcurrentScans);

    ui_->setupUi(this);
    folderTextbox = ui_->folderTextbox;
    browseButton = ui_->browseButton;
    outputTextbox = ui_->outputTextbox;
    flushCheckbox = ui_->flushCheckbox;
    progressSpinner = ui_->progressSpinner;
    scanButtonBut = ui_->scanButtonBut;
    markCheckbox = ui_->markCheckbox;
    rewriteCheckbox = ui_->rewriteCheckbox;
    stopButton = ui_->stopButton;
    statusLine = ui_->statusLine;
    describeForScreenReaders();

    connect(scanButtonBut, &QPushButton::clicked, this, &ViewController::scanButton);
    connect(stopButton, &QPushButton::clicked, this, &ViewController::stopScan);
    connect(browseButton, &QPushButton::clicked, this, &ViewController::browseForFolder);
    // What the next scan will write is said as soon as an option changes.
    for (QCheckBox* box : {markCheckbox, rewriteCheckbox}) {
        connect(box, &QCheckBox::stateChanged, this, [this] {
            if (!scanning_) {
                showIdleStatus();
            }
        });
    }
    // Stored when they change, so that a window closed, or opened, later keeps what the user
    // set last rather than what a window that was open longer had.
    for (auto [key, box] : {std::pair{flushKey, flushCheckbox}, std::pair{markKey, markCheckbox},
                            std::pair{rewriteKey, rewriteCheckbox}}) {
        connect(box, &QCheckBox::stateChanged, this,
                [this, key = key, box = box] { storeOption(key, box); });
    }
    // Completes folder paths as they are typed; the listing runs off the GUI thread.
    auto* completer = new QCompleter(this);
    auto* folders = new QFileSystemModel(completer);
    folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    folders->setRootPath(QString());
    completer->setModel(folders);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    folderTextbox->setCompleter(completer);
    // Drops land here, wherever on the content they are let go.
    setAcceptDrops(true);
    folderTextbox->installEventFilter(this);
    outputTextbox->viewport()->installEventFilter(this);
    // Return in the folder field presses the button, and so does nothing while it is disabled.
    connect(folderTextbox, &QLineEdit::returnPressed, scanButtonBut, &QPushButton::click);
    movedTargets_ = new MovedTargetsController(*this, this);
    // Its button sits among the options: Tab reaches it before the report, not after.
    setTabOrder(rewriteCheckbox, movedTargets_->findButton);
    setTabOrder(movedTargets_->findButton, outputTextbox);
    addFindBar();
    connect(this, &ViewController::scanAnswered, movedTargets_,
            &MovedTargetsController::scanAnswered);
    // A scan starting takes Find Moved Targets away (its broken aliases are not known yet).
    connect(this, &ViewController::controlsChanged, movedTargets_,
            &MovedTargetsController::updateButton);

    viewDidLoad();
}

void ViewController::describeForScreenReaders() {
    // The clear button Qt puts into the field shows only an icon.
    for (QToolButton* button : folderTextbox->findChildren<QToolButton*>()) {
        button->setAccessibleName(tr("Clear the folder field"));
    }
    statusLine->setAccessibleName(tr("Status"));
}

void ViewController::addFindBar() {
    findBar_ = new FindBar(tr("Find in the report"), this);
    findBar_->setObjectName(QStringLiteral("reportFindBar"));
    findBar_->setTextView(outputTextbox);
    findBar_->hide();
    ui_->mainLayout->insertWidget(ui_->mainLayout->indexOf(outputTextbox), findBar_);
    setTabOrder(movedTargets_->findButton, findBar_->field());
    setTabOrder(findBar_->field(), outputTextbox);
    connect(findBar_, &FindBar::dismissed, outputTextbox,
            [this] { outputTextbox->setFocus(Qt::OtherFocusReason); });

    const auto add = [this](const QList<QKeySequence>& keys, auto slot) {
        auto* action = new QAction(this);
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(action, &QAction::triggered, this, slot);
        addAction(action);
    };
    // The desktop's own find keys, and F3 / Shift+F3 wherever they are not among them.
    const auto withF3 = [](QKeySequence::StandardKey standard, QKeySequence f3) {
        QList<QKeySequence> keys = QKeySequence::keyBindings(standard);
        if (!keys.contains(f3)) {
            keys.append(f3);
        }
        return keys;
    };
    // Nothing to find again yet: the bar opens to ask what.
    const auto findAgain = [this](int by) {
        if (findBar_->isHidden() || findBar_->field()->text().isEmpty()) {
            findBar_->activate();
        } else if (by > 0) {
            findBar_->findNext();
        } else {
            findBar_->findPrevious();
        }
    };
    add(QKeySequence::keyBindings(QKeySequence::Find), [this] { findBar_->activate(); });
    add(withF3(QKeySequence::FindNext, QKeySequence(Qt::Key_F3)), [findAgain] { findAgain(1); });
    add(withF3(QKeySequence::FindPrevious, QKeySequence(Qt::SHIFT | Qt::Key_F3)),
        [findAgain] { findAgain(-1); });
}

void ViewController::disableScanButton() {
    parkFocus(scanButtonBut);
    scanButtonBut->setEnabled(false);
}

void ViewController::parkFocus(QWidget* leaving) {
    // Qt would pass the focus of a control that is disabled or hidden on to the next one in
    // the chain, a check box: a key pressed next would change an option.
    if (window()->focusWidget() == leaving) {
        outputTextbox->setFocus(Qt::OtherFocusReason);
        focusParked_ = true;
    }
}

void ViewController::unparkFocus() {
    if (std::exchange(focusParked_, false) && window()->focusWidget() == outputTextbox &&
        scanButtonBut->isEnabled()) {
        scanButtonBut->setFocus(Qt::OtherFocusReason);
    }
}

ViewController::~ViewController() {
    stopSource_.request_stop();
    processingQueue_.waitForDone();
}

// ----- Scan control -----

void ViewController::scanButton() {
    disableScanButton();
    const QString typed = folderTextbox->text();
    if (typed.isEmpty()) {
        beginFolderPanel();
        return;
    }
    scanTypedText(typed, Writes::asOptionsSay);
}

void ViewController::scanFolderFromPanel() {
    if (!canStartScan()) {
        return;
    }
    disableScanButton();
    beginFolderPanel();
}

void ViewController::beginFolderPanel() {
    emit controlsChanged(); // no Rescan while the panel is open
    panels_->beginOpenPanel(
        folderPanelRequest(tr("&Scan")), window(),
        [self = QPointer<ViewController>(this)](int response, const QString& path) {
            if (self) {
                self->openPanelDidEnd(response, path);
            }
        });
}

void ViewController::browseForFolder() {
    panels_->beginOpenPanel(
        folderPanelRequest(tr("C&hoose")), window(),
        [self = QPointer<ViewController>(this)](int response, const QString& path) {
            if (self && response == panelOK && !path.isEmpty()) {
                self->folderTextbox->setText(QDir::cleanPath(path));
                self->folderTextbox->setFocus();
            }
        });
}

void ViewController::scanTypedText(const QString& typed, Writes writes) {
    // Always the account's home folder, never the folder of the last save.
    const QString path = folderPathForTypedText(typed, QDir::homePath());
    startScan(directoryUrlForPath(path, QDir::currentPath()), writes);
    lastTitle_ = typed;
    window()->setWindowTitle(typed);
    // A scan that wrote nothing keeps the field, so that Scan applies the options to it.
    if (writes == Writes::asOptionsSay && isOn(flushCheckbox)) {
        folderTextbox->setText(QString());
    }
}

void ViewController::scanFolderGivenAtLaunch(const QString& typed) {
    folderTextbox->setText(typed);
    if (typed.isEmpty() || !canStartScan()) {
        return;
    }
    disableScanButton();
    scanTypedText(typed, Writes::none);
}

bool ViewController::acceptsDrop(QDropEvent* event) {
    if (draggedFolder(event->mimeData()).isEmpty()) {
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void ViewController::dragEnterEvent(QDragEnterEvent* event) {
    if (!acceptsDrop(event)) {
        QWidget::dragEnterEvent(event);
    }
}

void ViewController::dragMoveEvent(QDragMoveEvent* event) {
    if (!acceptsDrop(event)) {
        QWidget::dragMoveEvent(event);
    }
}

void ViewController::dropEvent(QDropEvent* event) {
    const QString folder = draggedFolder(event->mimeData());
    if (folder.isEmpty()) {
        QWidget::dropEvent(event);
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    folderTextbox->setText(folder);
    if (canStartScan()) {
        disableScanButton();
        scanTypedText(folder, Writes::none);
    }
}

bool ViewController::eventFilter(QObject* watched, QEvent* event) {
    // The field would take a dropped folder as text, the output would refuse it: both pass
    // it to the content.
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
        if (acceptsDrop(static_cast<QDropEvent*>(event))) {
            return true;
        }
        break;
    case QEvent::Drop:
        if (!draggedFolder(static_cast<QDropEvent*>(event)->mimeData()).isEmpty()) {
            dropEvent(static_cast<QDropEvent*>(event));
            return true;
        }
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void ViewController::openPanelDidEnd(int response, const QString& path) {
    if (response == panelOK && !path.isEmpty()) {
        const FileUrl folder = directoryUrlForPath(path, QDir::currentPath());
        startScan(folder);
        lastTitle_ = displayPath(folder);
        window()->setWindowTitle(lastTitle_);
        return;
    }
    progressSpinner->stopAnimation();
    progressSpinner->setHidden(true);
    scanButtonBut->setEnabled(true);
    unparkFocus();
    emit controlsChanged();
}

void ViewController::startScan(const FileUrl& folderUrl) {
    startScan(folderUrl, Writes::asOptionsSay);
}

void ViewController::startScan(const FileUrl& folderUrl, Writes writes) {
    const bool markOn = isOn(markCheckbox);
    const bool rewriteOn = isOn(rewriteCheckbox);
    const bool mark = markOn && writes == Writes::asOptionsSay;
    const bool rewrite = rewriteOn && writes == Writes::asOptionsSay;
    withheldNote_.clear();
    if (writes == Writes::none && (markOn || rewriteOn)) {
        withheldNote_ = markOn && rewriteOn
                            ? tr("Mark and Refresh were not applied to this scan: press Scan to "
                                 "apply them")
                        : markOn ? tr("Mark was not applied to this scan: press Scan to apply it")
                                 : tr("Refresh was not applied to this scan: press Scan to apply "
                                      "it");
    }

    progressSpinner->setHidden(false);
    progressSpinner->startAnimation();
    showOutputText(tr("Getting scan results\u2026"));

    auto report = std::make_shared<ScanReport>();
    ScanOptions options = scanOptionsForFolder(folderUrl.path, mark, rewrite);
    options.catalog = &UiLanguage::catalog();
    // Read for every scan, so that a change made in Preferences counts from the next scan on.
    std::vector<PathMapping> mappings = PathMappingStore().load().mappings;

    scanning_ = true;
    lastFolder_ = folderUrl;
    scannedFolder_ = folderUrl.path;
    lastBrokenCount_ = -1;
    entries_ = aliases_ = 0;
    stopSource_ = std::stop_source();
    stopButton->setEnabled(true);
    stopButton->setVisible(true);
    setStatusText(tr("Scanning %1\u2026").arg(QString::fromStdString(printable(folderUrl.path))));
    auto* task = new ScanTask(makePlatform_, std::move(mappings), std::move(options),
                              std::move(report), this, this, stopSource_.get_token());
    GuiCall::handOver(task);
    processingQueue_.start(task);
    emit controlsChanged();
}

void ViewController::stopScan() {
    if (!scanning_ || stopSource_.stop_requested()) {
        return;
    }
    stopSource_.request_stop();
    parkFocus(stopButton);
    stopButton->setEnabled(false);
    setStatusText(tr("Stopping after the entry at hand\u2026"));
}

bool ViewController::canStartScan() const {
    return !scanning_ && scanButtonBut->isEnabled();
}

bool ViewController::canRescan() const {
    return !scanning_ && lastFolder_.has_value() && scanButtonBut->isEnabled();
}

void ViewController::rescanAfterRelink() {
    disableScanButton();
    startScan(fileUrlWithPath(scannedFolder_, true), Writes::none);
}

bool ViewController::marksBrokenAliases() const {
    return isOn(markCheckbox);
}

QAction* ViewController::findMovedTargetsAction() const {
    return movedTargets_->findAction;
}

QAction* ViewController::undoRelinkAction() const {
    return movedTargets_->undoAction;
}

void ViewController::findMovedTargets() {
    movedTargets_->findMovedTargets();
}

void ViewController::rescan() {
    if (!canRescan()) {
        return;
    }
    disableScanButton();
    startScan(*lastFolder_);
    window()->setWindowTitle(lastTitle_);
}

void ViewController::scanProgressed(qint64 entries, qint64 aliases, const QString& folder) {
    if (!scanning_) {
        return; // posted just before the answer of a scan that is over
    }
    entries_ = entries;
    aliases_ = aliases;
    if (stopSource_.stop_requested()) {
        return;
    }
    const QLocale locale;
    QString text = tr("Examined %1 entries, %2 Finder aliases")
                       .arg(locale.toString(entries), locale.toString(aliases));
    if (!folder.isEmpty()) {
        text += tr("; reading %1").arg(folder);
    }
    setStatusText(text);
}

void ViewController::scanFinished(const std::shared_ptr<ScanReport>& report) {
    showOutputText(QString::fromUtf8(report->reportText));
    const QLocale locale;
    lastCounts_ = (report->stopped ? tr("Stopped after %1 entries, %2 Finder aliases, %3 broken.")
                                   : tr("Last scan: %1 entries, %2 Finder aliases, %3 broken."))
                      .arg(locale.toString(entries_), locale.toString(aliases_),
                           locale.toString(static_cast<qint64>(report->brokenCount)));
    lastBrokenCount_ = report->brokenCount;
    endScan();
}

void ViewController::folderNotFound() {
    showOutputText(tr("Couldn't find that folder. Try again."));
    lastCounts_.clear();
    endScan();
}

void ViewController::endScan() {
    progressSpinner->stopAnimation();
    progressSpinner->setHidden(true);
    parkFocus(stopButton);
    scanButtonBut->setEnabled(true);
    stopButton->setVisible(false);
    unparkFocus();
    scanning_ = false;
    showIdleStatus();
    emit scanAnswered();
    emit controlsChanged();
}

void ViewController::showIdleStatus() {
    // Options are kept between launches: say what a scan would write, so that nobody starts
    // a writing scan without knowing.
    QStringList parts;
    if (!lastCounts_.isEmpty()) {
        parts << lastCounts_;
    }
    if (!withheldNote_.isEmpty()) {
        parts << withheldNote_; // says already that Mark or Refresh is on
    } else {
        if (isOn(markCheckbox)) {
            parts << tr("Mark is on: a note is written beside each broken alias.");
        }
        if (isOn(rewriteCheckbox)) {
            parts << tr("Refresh is on: each alias that resolves is rewritten with fresh data.");
        }
    }
    setStatusText(parts.join(QLatin1Char(' ')));
}

void ViewController::showStatus(const QString& text) {
    setStatusText(text);
}

void ViewController::setStatusText(const QString& text) {
    statusLine->setText(text);
    statusLine->setToolTip(text);
    // Read whole, however much of it the line shows.
    statusLine->setAccessibleDescription(text);
}

// ----- Settings and lifecycle -----

void ViewController::viewDidLoad() {
    Settings settings;
    const double stored = settings.value(fontSizeKey).toDouble(); // missing: 0.0
    theFontSize_ = stored < smallestStoredFontSize ? initialFontSize : stored;
    outputTextbox->setLineWrapMode(settings.value(wrapLinesKey).toBool()
                                       ? QPlainTextEdit::WidgetWidth
                                       : QPlainTextEdit::NoWrap);
}

void ViewController::viewDidAppear() {
    window()->setWindowTitle(korvexTitle);
    Settings settings;
    loadingOptions_ = true;
    flushCheckbox->setCheckState(stateFor(settings.value(flushKey).toBool()));
    markCheckbox->setCheckState(stateFor(settings.value(markKey).toBool()));
    rewriteCheckbox->setCheckState(stateFor(settings.value(rewriteKey).toBool()));
    loadingOptions_ = false;
    progressSpinner->setHidden(true);
    if (!scanning_) {
        showIdleStatus();
    }
}

void ViewController::storeOption(const QString& key, const QCheckBox* box) {
    if (!loadingOptions_) {
        Settings().setValue(key, isOn(box));
    }
}

void ViewController::takeOptionsFrom(const ViewController& source) {
    flushCheckbox->setCheckState(stateFor(isOn(source.flushCheckbox)));
    markCheckbox->setCheckState(stateFor(isOn(source.markCheckbox)));
    rewriteCheckbox->setCheckState(stateFor(isOn(source.rewriteCheckbox)));
}

void ViewController::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // A window coming back from the task bar is no new appearance.
    if (!event->spontaneous()) {
        viewDidAppear();
    }
}

void ViewController::customEvent(QEvent* event) {
    GuiCall::takeOver(event); // before anything of it is read
    if (event->type() == GuiCall::callType()) {
        static_cast<GuiCall*>(event)->run();
        return;
    }
    QWidget::customEvent(event);
}

// ----- Output console -----

void ViewController::applyOutputStyle() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(theFontSize_);
    if (outputTextbox->font() != font) {
        outputTextbox->setFont(font);
    }
    const QColor textColour = QApplication::palette().color(QPalette::Text);
    if (outputTextbox->palette().color(QPalette::Text) != textColour) {
        QPalette palette = outputTextbox->palette();
        palette.setColor(QPalette::Text, textColour);
        outputTextbox->setPalette(palette);
    }
}

void ViewController::showOutputText(const QString& text) {
    applyOutputStyle();
    outputTextbox->setPlainText(text);
}

void ViewController::appendOutputText(const QString& text) {
    applyOutputStyle();
    QTextCursor cursor(outputTextbox->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text); // nothing in between: no new paragraph is started
}

void ViewController::restyleOutputText() {
    // Every text is shown in the one style, so giving the view the style at the new size
    // restyles all of it; the text itself stays as it is.
    applyOutputStyle();
}

QString ViewController::outputString() const {
    // The raw text keeps no-break spaces (plain-text export turns them into blanks); only the
    // paragraph separators between lines become line feeds again.
    QString text = outputTextbox->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return text;
}

void ViewController::incFontSize() {
    const double size = theFontSize_ + fontStep;
    stepFontSize(size > largestSteppedFontSize ? largestSteppedFontSize : size);
}

void ViewController::decFontSize() {
    const double size = theFontSize_ - fontStep;
    stepFontSize(size < smallestSteppedFontSize ? smallestSteppedFontSize : size);
}

void ViewController::resetFontSize() {
    stepFontSize(initialFontSize);
}

bool ViewController::canEnlarge() const {
    return theFontSize_ < largestSteppedFontSize;
}

bool ViewController::canShrink() const {
    return theFontSize_ > smallestSteppedFontSize;
}

void ViewController::stepFontSize(double newSize) {
    theFontSize_ = newSize;
    Settings().setValue(fontSizeKey, theFontSize_); // on every step, changed or not
    restyleOutputText();
    emit controlsChanged();
}

bool ViewController::wrapsLines() const {
    return outputTextbox->lineWrapMode() != QPlainTextEdit::NoWrap;
}

void ViewController::setWrapLines(bool wrap) {
    outputTextbox->setLineWrapMode(wrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    Settings().setValue(wrapLinesKey, wrap);
}

// ----- Saving the output -----

void ViewController::saveButton() {
    const QString snapshot = outputString();
    QString title = window()->windowTitle();
    if (title.isEmpty()) {
        title = tr("Untitled");
    }
    SavePanelRequest request;
    request.canCreateDirectories = true;
    request.allowedFileTypes = {QStringLiteral("text"), QStringLiteral("txt")};
    request.directoryURL = homeDir_;
    request.nameFieldStringValue = QStringLiteral("Korvex-") + title + QStringLiteral(".text");
    panels_->beginSavePanel(
        request, window(),
        [self = QPointer<ViewController>(this), snapshot](int response, const QString& path) {
            savePanelDidEnd(self, response, path, snapshot);
        });
}

void ViewController::savePanelDidEnd(QPointer<ViewController> controller, int response,
                                     const QString& path, const QString& snapshot) {
    if (response != panelOK || path.isEmpty()) {
        return;
    }
    // The user asked for this file: it is written even if the window has closed meanwhile.
    QString error;
    const bool written = writeTextFile(path, snapshot, error);
    if (!controller) {
        return;
    }
    if (written) {
        controller->homeDir_ = QUrl::fromLocalFile(QFileInfo(path).absolutePath());
        controller->showStatus(tr("Saved to %1").arg(path));
    } else {
        controller->appendOutputText(error);
    }
}

} // namespace korvex
