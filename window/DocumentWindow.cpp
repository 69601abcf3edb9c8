#include "DocumentWindow.h"

#include "ViewController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QSettings>
#include <QShowEvent>
#include <QWindow>

#include <unicode/uversion.h>

/// The window's resources live in a static library: they are registered by hand.
static void registerWindowResources() {
    Q_INIT_RESOURCE(window);
}

namespace korvex {

namespace {

const QString geometryGroup = QStringLiteral("windowGeometry/");
constexpr QSize firstSize(760, 520);

QString& homePage() {
    static QString address;
    return address;
}

QPointer<DocumentWindow>& activatedLast() {
    static QPointer<DocumentWindow> window;
    return window;
}

} // namespace

DocumentWindow::DocumentWindow(ViewController* content, QWidget* parent)
    : QMainWindow(parent), content_(content) {
    registerWindowResources();
    setWindowIcon(
        QIcon::fromTheme(QStringLiteral("korvex"), QIcon(QStringLiteral(":/korvex/korvex.png"))));
    setCentralWidget(content_);
    buildMenus();
    connect(content_, &ViewController::controlsChanged, this, &DocumentWindow::updateActions);
    updateActions();
    restoreWindowGeometry();
}

QRect DocumentWindow::fittedGeometry(const QRect& wanted, const QRect& available) {
    QRect fitted(wanted.topLeft(), wanted.size().boundedTo(available.size()));
    if (fitted.right() > available.right()) {
        fitted.moveRight(available.right());
    }
    if (fitted.bottom() > available.bottom()) {
        fitted.moveBottom(available.bottom());
    }
    if (fitted.left() < available.left()) {
        fitted.moveLeft(available.left());
    }
    if (fitted.top() < available.top()) {
        fitted.moveTop(available.top());
    }
    return fitted;
}

QString DocumentWindow::geometryKey() const {
    // Per screen, by name and size: a window placed on a large monitor keeps its place there
    // and doesn't come up half off a laptop's screen.
    const QScreen* on = screen();
    QString name = on ? QStringLiteral("%1 %2x%3")
                            .arg(on->name())
                            .arg(on->geometry().width())
                            .arg(on->geometry().height())
                      : QStringLiteral("none");
    name.replace(QLatin1Char('/'), QLatin1Char('_')).replace(QLatin1Char('\\'), QLatin1Char('_'));
    return geometryGroup + name;
}

void DocumentWindow::restoreWindowGeometry() {
    const QByteArray stored = QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex"))
                                  .value(geometryKey())
                                  .toByteArray();
    if (stored.isEmpty() || !restoreGeometry(stored)) {
        resize(firstSize);
    }
    fitToScreen();
}

void DocumentWindow::fitToScreen() {
    const QScreen* on = screen();
    if (!on) {
        return;
    }
    // In the screen's own units (at twice the scale a 1000-pixel screen has room for 500), the
    // frame included once the window has one.
    const QMargins frame = windowHandle() ? windowHandle()->frameMargins() : QMargins();
    const QRect outer = geometry().marginsAdded(frame);
    const QRect fitted = fittedGeometry(outer, on->availableGeometry());
    if (fitted.size() != outer.size()) {
        resize(fitted.marginsRemoved(frame).size());
    }
    if (fitted.topLeft() != outer.topLeft() && (isVisible() || testAttribute(Qt::WA_Moved))) {
        move(fitted.topLeft());
    }
}

void DocumentWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        fitToScreen(); // now with the frame the window got
    }
}

void DocumentWindow::setHomePage(const QString& address) {
    homePage() = address;
}

DocumentWindow* DocumentWindow::frontmost() {
    if (auto* active = qobject_cast<DocumentWindow*>(QApplication::activeWindow())) {
        return active;
    }
    if (activatedLast() && activatedLast()->isVisible()) {
        return activatedLast();
    }
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* window = qobject_cast<DocumentWindow*>(widget);
        if (window && window->isVisible()) {
            return window;
        }
    }
    return nullptr;
}

void DocumentWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) {
        activatedLast() = this;
    }
}

void DocumentWindow::quitApplication() {
    // Closing first lets every window store its options and stop its scan, as closing one by
    // one would; the scans then end after the alias at hand.
    QApplication::closeAllWindows();
    QApplication::quit();
}

void DocumentWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&New Window"), QKeySequence::New, this,
                    &DocumentWindow::newWindowRequested);
    scanFolder_ = file->addAction(tr("Scan &Folder..."), QKeySequence(Qt::CTRL | Qt::Key_O),
                                  content_, &ViewController::scanFolderFromPanel);
    file->addAction(tr("&Save Output..."), QKeySequence::Save, content_,
                    &ViewController::saveButton);
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence(Qt::CTRL | Qt::Key_W), this, &DocumentWindow::close);
    file->addAction(tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), qApp,
                    &DocumentWindow::quitApplication);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    edit->addAction(content_->undoRelinkAction());
    edit->addSeparator();
    QAction* preferences =
        edit->addAction(tr("&Preferences..."), this, &DocumentWindow::preferencesRequested);
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);
    edit->addAction(content_->findMovedTargetsAction());

    QMenu* view = menuBar()->addMenu(tr("&View"));
    bigger_ = view->addAction(tr("&Bigger"), content_, &ViewController::incFontSize);
    // Ctrl+= too: on most keyboards "+" needs Shift.
    bigger_->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    smaller_ = view->addAction(tr("&Smaller"), content_, &ViewController::decFontSize);
    smaller_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));
    view->addAction(tr("&Actual Size"), QKeySequence(Qt::CTRL | Qt::Key_0), content_,
                    &ViewController::resetFontSize);
    view->addSeparator();
    QAction* wrap = view->addAction(tr("&Wrap Lines"));
    wrap->setCheckable(true);
    wrap->setChecked(content_->wrapsLines());
    connect(wrap, &QAction::toggled, content_, &ViewController::setWrapLines);

    QMenu* scan = menuBar()->addMenu(tr("&Scan"));
    stop_ = scan->addAction(tr("S&top"), content_, &ViewController::stopScan);
    stop_->setShortcut(QKeySequence(Qt::Key_Escape));
    rescan_ = scan->addAction(tr("&Rescan"), content_, &ViewController::rescan);
    rescan_->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)});

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("Korvex &Help"), QKeySequence(Qt::Key_F1), this,
                    &DocumentWindow::helpRequested);
    help->addAction(tr("Check for &Updates..."), this, &DocumentWindow::updatesRequested);
    help->addAction(tr("&Support..."), this, &DocumentWindow::supportRequested);
    help->addSeparator();
    help->addAction(tr("&About Korvex"), this, &DocumentWindow::showAbout);
}

void DocumentWindow::updateActions() {
    const bool scanning = content_->isScanning();
    stop_->setEnabled(scanning);
    scanFolder_->setEnabled(content_->canStartScan());
    rescan_->setEnabled(content_->canRescan());
    bigger_->setEnabled(content_->canEnlarge());
    smaller_->setEnabled(content_->canShrink());
}

void DocumentWindow::showAbout() {
    QString text = tr("<p><b>Korvex</b> %1</p>"
                      "<p>Finds broken macOS Finder aliases on Linux disks.</p>")
                       .arg(QStringLiteral(KORVEX_VERSION));
    if (!homePage().isEmpty()) {
        text += tr("<p>Home page: <a href=\"%1\">%1</a></p>").arg(homePage().toHtmlEscaped());
    }
    text += tr("<p>Licence: proprietary; all rights reserved.</p>"
               "<p>Built with Qt %1 (running on Qt %2) and ICU %3.</p>")
                .arg(QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion()),
                     QStringLiteral(U_ICU_VERSION));
    QMessageBox::about(this, tr("About Korvex"), text);
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex"))
            .setValue(geometryKey(), saveGeometry());
        content_->stopScan(); // a closed window's scan has no one to answer to
        emit closed();
    }
}

} // namespace korvex
