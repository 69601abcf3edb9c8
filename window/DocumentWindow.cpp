#include "DocumentWindow.h"

#include "ViewController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>

#include <unicode/uversion.h>

namespace korvex {

namespace {

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
    setCentralWidget(content_);
    buildMenus();
    connect(content_, &ViewController::controlsChanged, this, &DocumentWindow::updateActions);
    updateActions();
    resize(760, 520);
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
    file->addAction(tr("&Save Output..."), QKeySequence::Save, content_,
                    &ViewController::saveButton);
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence(Qt::CTRL | Qt::Key_W), this, &DocumentWindow::close);
    file->addAction(tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), qApp,
                    &DocumentWindow::quitApplication);

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* preferences =
        edit->addAction(tr("&Preferences..."), this, &DocumentWindow::preferencesRequested);
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);
    edit->addAction(tr("Find &Moved Targets..."), content_, &ViewController::findMovedTargets);

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
        content_->stopScan(); // a closed window's scan has no one to answer to
        emit closed();
    }
}

} // namespace korvex
