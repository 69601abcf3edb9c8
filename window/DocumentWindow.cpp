#include "DocumentWindow.h"

#include "MovedTargetsController.h"
#include "ViewController.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>

namespace korvex {

DocumentWindow::DocumentWindow(ViewController* content, QWidget* parent)
    : QMainWindow(parent), content_(content) {
    setCentralWidget(content_);
    buildMenus();
    resize(760, 520);
}

void DocumentWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&New Window"), QKeySequence::New, this,
                    &DocumentWindow::newWindowRequested);
    file->addAction(tr("&Save Output..."), QKeySequence::Save, content_,
                    &ViewController::saveButton);
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence(Qt::CTRL | Qt::Key_W), this, &DocumentWindow::close);
    file->addAction(tr("&Quit"), QKeySequence(Qt::CTRL | Qt::Key_Q), qApp, [] {
        // Closing first lets every window store its options, as closing one by one would.
        QApplication::closeAllWindows();
        QApplication::quit();
    });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* preferences =
        edit->addAction(tr("&Preferences..."), this, &DocumentWindow::preferencesRequested);
    preferences->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Comma));
    preferences->setMenuRole(QAction::PreferencesRole);
    edit->addAction(tr("Find &Moved Targets..."), content_->movedTargets,
                    &MovedTargetsController::findMovedTargets);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    QAction* bigger = view->addAction(tr("&Bigger"), content_, &ViewController::incFontSize);
    // Ctrl+= too: on most keyboards "+" needs Shift.
    bigger->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    QAction* smaller = view->addAction(tr("&Smaller"), content_, &ViewController::decFontSize);
    smaller->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("Korvex &Help"), QKeySequence(Qt::Key_F1), this,
                    &DocumentWindow::helpRequested);
    help->addAction(tr("Check for &Updates..."), this, &DocumentWindow::updatesRequested);
    help->addAction(tr("&Support..."), this, &DocumentWindow::supportRequested);
    help->addSeparator();
    help->addAction(tr("&About Korvex"), this, &DocumentWindow::showAbout);
}

void DocumentWindow::showAbout() {
    QMessageBox::about(this, tr("About Korvex"),
                       tr("<b>Korvex</b> %1<br>Finds broken macOS Finder aliases on Linux disks.")
                           .arg(QStringLiteral(KORVEX_VERSION)));
}

void DocumentWindow::closeEvent(QCloseEvent* event) {
    QMainWindow::closeEvent(event);
    if (event->isAccepted()) {
        emit closed();
    }
}

} // namespace korvex
