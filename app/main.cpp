#include "AliasOpenController.h"
#include "BrokenAliasDialog.h"
#include "Document.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "PreferencesDialog.h"
#include "QtDesktopOpener.h"
#include "QtFilePanels.h"
#include "ScanPlatformFactory.h"
#include "Storyboard.h"
#include "UiLanguage.h"
#include "ViewController.h"

#ifdef KORVEX_HAVE_SHELL
#include "AppDelegate.h"
#endif

#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <memory>

using namespace korvex;

namespace {

int openAliases(QApplication& app, const QStringList& aliases, AliasOpenController::Action action) {
    QApplication::setQuitOnLastWindowClosed(false); // the controller says when it is done
    auto opener = std::make_shared<QtDesktopOpener>();
    AliasOpenController controller(scanPlatformFactory(), opener);
    controller.setBrokenAliasHandler(
        [opener](const QString& path, const AliasFileResolution& resolution) -> QDialog* {
            auto* dialog = new BrokenAliasDialog(path, resolution.data, opener);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            dialog->show();
            return dialog;
        });
    QObject::connect(&controller, &AliasOpenController::finished, &app, &QApplication::exit);
    controller.run(aliases, action);
    return app.exec();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Korvex"));
    QApplication::setApplicationName(QStringLiteral("Korvex"));
    QApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
    // One language for everything, chosen before anything is shown: no window needs
    // retranslating later.
    UiLanguage::chooseForUser();

    QCommandLineParser arguments;
    arguments.setApplicationDescription(
        QCoreApplication::translate("main", "Finds broken macOS Finder aliases on Linux disks."));
    arguments.addHelpOption();
    arguments.addVersionOption();
    arguments.addPositionalArgument(
        QStringLiteral("folder"),
        QObject::tr("A folder to scan at once in the first window, only reading it; with --open "
                    "or --show-original, the Mac aliases."),
        QCoreApplication::translate("main", "[FOLDER | ALIAS...]"));
    const QCommandLineOption openOption(
        QStringLiteral("open"),
        QObject::tr("Opens the target of each Mac alias named (ALIAS...) with its default "
                    "application; a broken alias shows where it pointed and where it may have "
                    "gone."));
    const QCommandLineOption showOriginalOption(
        QStringLiteral("show-original"),
        QObject::tr("Shows the target of each Mac alias named (ALIAS...) selected in its "
                    "folder."));
    arguments.addOption(openOption);
    arguments.addOption(showOriginalOption);
    arguments.process(app);

    // Mac aliases handed over by the desktop (or a shell): no main window, only what each
    // alias needs, and the program ends once those windows are closed.
    if (arguments.isSet(openOption) || arguments.isSet(showOriginalOption)) {
        QString error;
        if (arguments.isSet(openOption) && arguments.isSet(showOriginalOption)) {
            error = QObject::tr("--open and --show-original don't go together.");
        } else if (arguments.positionalArguments().isEmpty()) {
            error = QObject::tr("--open and --show-original need at least one ALIAS.");
        }
        if (!error.isEmpty()) {
            std::fprintf(stderr, "korvex: %s\n", qPrintable(error));
            return 2;
        }
        return openAliases(app, arguments.positionalArguments(),
                           arguments.isSet(openOption) ? AliasOpenController::Action::open
                                                       : AliasOpenController::Action::showOriginal);
    }

#ifdef KORVEX_HAVE_SHELL
    AppDelegate delegate;
    DocumentWindow::setHomePage(delegate.homePage());
    // No dialog when no browser starts: the address goes where it can be copied.
    QObject::connect(&delegate, &AppDelegate::webPageNotOpened, [](const QString& address) {
        if (DocumentWindow* window = DocumentWindow::frontmost()) {
            window->contentViewController()->showStatus(
                QObject::tr("No browser could be started; the page is %1").arg(address));
        }
    });
    QObject::connect(&delegate, &AppDelegate::quitRequested, &DocumentWindow::quitApplication);
    QObject::connect(&delegate, &AppDelegate::information,
                     [](const QString& title, const QString& text) {
                         auto* box = new QMessageBox(QMessageBox::Information, title, text,
                                                     QMessageBox::Ok, DocumentWindow::frontmost());
                         box->setAttribute(Qt::WA_DeleteOnClose);
                         box->open(); // modal to its window only; nothing waits for it
                     });
#endif
    auto panels = std::make_shared<QtFilePanels>();
    Storyboard::storyboardWithName(QStringLiteral("Main"))
        .setController(documentWindowControllerIdentifier, [&]() -> QWidget* {
            auto* window = new DocumentWindow(new ViewController(scanPlatformFactory(), panels));
            QObject::connect(window, &DocumentWindow::preferencesRequested, window,
                             [panels] { PreferencesDialog::showShared(panels); });
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
#ifdef KORVEX_HAVE_SHELL
    QObject::connect(&delegate, &AppDelegate::newWindowRequested, &documents,
                     &DocumentController::newDocument);
#endif
    Document* first = documents.newDocument();
    if (!first) {
        return 1;
    }
    // A folder named on the command line is typed into the first window and scanned, as if
    // the user had done it.
    if (!arguments.positionalArguments().isEmpty()) {
        first->windowControllers().value(0)->contentViewController()->scanFolderGivenAtLaunch(
            arguments.positionalArguments().first());
    }
    return app.exec();
}
