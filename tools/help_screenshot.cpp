// help_screenshot: opens a help window the way the Help menu does, lets it render the manual,
// optionally finds a word in it (the find bar open, the first match shown), and saves a
// picture of it.
//
//     help_screenshot MANUAL.pdf OUTPUT.png [WORD]
//
// Run it under xvfb-run (or QT_QPA_PLATFORM=offscreen).

#include "AppDelegate.h"
#include "HelpSearchBar.h"
#include "HelpViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPdfSearchModel>
#include <QPixmap>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2 && args.size() != 3) {
        std::fprintf(stderr, "usage: help_screenshot MANUAL.pdf OUTPUT.png [WORD]\n");
        return 2;
    }
    const QString manual = args.at(0);
    korvex::HelpViewController::setManualLocator([manual] { return manual; });

    korvex::AppDelegate delegate;
    delegate.openHelp();
    QWidget* window = delegate.myHelpWindow().front();
    window->resize(860, 820);

    // Pages are rendered (and matches found) as the event loop runs; give it time to settle.
    const auto settle = [] {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 2000)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
    };
    settle();
    if (args.size() == 3) {
        auto* view = window->findChild<korvex::HelpViewController*>();
        view->searchBar()->activate();
        view->searchBar()->field()->setText(args.at(2));
        settle();
        view->searchBar()->findNext();
        settle();
    }

    if (!window->grab().save(args.at(1))) {
        std::fprintf(stderr, "help_screenshot: can't write %s\n", qPrintable(args.at(1)));
        return 1;
    }
    return 0;
}
