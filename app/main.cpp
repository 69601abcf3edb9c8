#include "Document.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "QtFilePanels.h"
#include "ScanPlatformFactory.h"
#include "Storyboard.h"
#include "ViewController.h"

#ifdef KORVEX_HAVE_SHELL
#include "AppDelegate.h"
#endif

#include <QApplication>

#include <memory>

using namespace korvex;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Korvex"));
    QApplication::setApplicationName(QStringLiteral("Korvex"));
    QApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));

#ifdef KORVEX_HAVE_SHELL
    AppDelegate delegate;
#endif
    auto panels = std::make_shared<QtFilePanels>();
    Storyboard::storyboardWithName(QStringLiteral("Main"))
        .setController(documentWindowControllerIdentifier, [&]() -> QWidget* {
            auto* window = new DocumentWindow(new ViewController(scanPlatformFactory(), panels));
#ifdef KORVEX_HAVE_SHELL
            QObject::connect(window, &DocumentWindow::helpRequested, &delegate,
                             &AppDelegate::openHelp);
            QObject::connect(window, &DocumentWindow::updatesRequested, &delegate,
                             &AppDelegate::openUpdates);
            QObject::connect(window, &DocumentWindow::supportRequested, &delegate,
                             &AppDelegate::openSupport);
#endif
            return window;
        });

    // One untitled document and its window at launch; File > New Window makes more.
    DocumentController documents;
    if (!documents.newDocument()) {
        return 1;
    }
    return app.exec();
}
