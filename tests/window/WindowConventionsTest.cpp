// What a new user meets in a main window: a window that keeps the size it is given, however
// long the paths it shows; Browse..., File > Scan Folder..., path completion and dropped
// folders; the hint in the empty output and the broken count in the status line; the window's
// icon and its geometry, kept per screen.
#include "DocumentWindow.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCompleter>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace korvex;
using namespace korvex::test;

namespace {

struct MainWindow {
    std::shared_ptr<ScanWorld> world = std::make_shared<ScanWorld>();
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    DocumentWindow window{new ViewController(world->factory(), panels)};
    ViewController* view = window.contentViewController();
    QSignalSpy answered{view, &ViewController::scanAnswered};
    QLineEdit* field = control<QLineEdit>(view, "folderTextbox");
    QLabel* status = control<QLabel>(view, "statusLine");

    explicit MainWindow(const std::string& folder = "/scan/here") {
        world->folder = folder;
        window.show();
    }
    ~MainWindow() { world->setGate(true); } // a scan held by a failed check ends
    QAction* action(const QString& text) const {
        for (QAction* a : window.findChildren<QAction*>()) {
            if (a->text().remove(QLatin1Char('&')) == text) {
                return a;
            }
        }
        return nullptr;
    }
    bool scan(const QString& typed) {
        field->setText(typed);
        const int before = answered.count();
        QTest::mouseClick(control<QPushButton>(view, "scanButtonBut"), Qt::LeftButton);
        return answered.count() > before || answered.wait(10000);
    }
    std::set<std::string> written() { return world->get(&ScanWorld::written); }
};

/// Sends a drag of `urls` over `target`, then drops it there; whether each was taken.
std::pair<bool, bool> dragAndDrop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    data.setText(urls.value(0).toString()); // as file managers offer it too
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted()) {
        return {false, false};
    }
    QDropEvent drop(QPointF(at), Qt::CopyAction | Qt::LinkAction, &data, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    return {true, drop.isAccepted()};
}

} // namespace

class WindowConventionsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { clearSettings(); }

    void longPathsNeverWidenTheWindow() {
        const std::string longFolder = "/scan/" + std::string(994, 'd'); // 1,000 characters
        const QString typed = QString::fromStdString(longFolder);
        MainWindow w(longFolder);
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        const QSize given = w.window.size();

        w.world->holdAt = longFolder + "/b/fine.alias";
        w.world->setGate(false);
        w.field->setText(typed);
        QTest::mouseClick(control<QPushButton>(w.view, "scanButtonBut"), Qt::LeftButton);
        QVERIFY(w.world->waitForHeld());
        QApplication::processEvents();
        // "Scanning /scan/ddd…": cut to fit the line, whole in the tooltip.
        QVERIFY(w.status->text().contains(typed));
        QCOMPARE(w.status->toolTip(), w.status->text());
        QCOMPARE(w.window.size(), given);
        QVERIFY(w.window.minimumSizeHint().width() <= given.width());
        w.world->setGate(true);
        QVERIFY(w.answered.wait(10000));
        for (int again = 0; again < 2; ++again) { // Scan > Rescan, twice
            w.action(QStringLiteral("Rescan"))->trigger();
            QVERIFY(w.answered.wait(10000));
            QApplication::processEvents();
            QCOMPARE(w.window.size(), given);
        }
        // A folder that isn't there, named in full.
        QVERIFY(w.scan(typed + QStringLiteral("/gone")));
        QApplication::processEvents();
        QCOMPARE(w.window.size(), given);
    }

    void browseFillsTheFieldAndScanFolderScans() {
        QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex")).setValue("mark", true);
        MainWindow w;
        // Browse... only fills the field.
        QTest::mouseClick(control<QPushButton>(w.view, "browseButton"), Qt::LeftButton);
        QVERIFY(w.panels->openDone && w.panels->openRequest.canChooseDirectories &&
                !w.panels->openRequest.canChooseFiles);
        QCOMPARE(w.panels->openWindow, w.view->window());
        ScriptedPanels::end(w.panels->openDone, panelOK, QStringLiteral("/scan/here/"));
        QCOMPARE(w.field->text(), QStringLiteral("/scan/here"));
        QTest::mouseClick(control<QPushButton>(w.view, "browseButton"), Qt::LeftButton);
        ScriptedPanels::end(w.panels->openDone, panelCancel);
        QCOMPARE(w.field->text(), QStringLiteral("/scan/here"));
        QVERIFY(w.world->get(&ScanWorld::walked).empty() && !w.view->isScanning());

        // File > Scan Folder... (Ctrl+O) picks a folder and scans it, as the user asked.
        QAction* scanFolder = w.action(QStringLiteral("Scan Folder..."));
        QVERIFY(scanFolder && scanFolder->isEnabled());
        QCOMPARE(scanFolder->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_O));
        scanFolder->trigger();
        QCOMPARE(w.panels->openRequest.prompt, QStringLiteral("&Scan"));
        QVERIFY(!scanFolder->isEnabled()); // one panel, one scan at a time
        w.world->setGate(false);
        ScriptedPanels::end(w.panels->openDone, panelOK, QStringLiteral("/scan/here"));
        QVERIFY(w.view->isScanning() && !scanFolder->isEnabled());
        w.world->setGate(true);
        QVERIFY(w.answered.wait(10000));
        QVERIFY(scanFolder->isEnabled());
        QCOMPARE(w.written(),
                 std::set<std::string>{"text /scan/here/a/broken.alias-korvex-broken.text"});
    }

    void theFieldCompletesFolders() {
        QTemporaryDir tree;
        for (const char* name : {"alpha", "alpine", "beta"}) {
            QVERIFY(QDir(tree.path()).mkdir(QString::fromLatin1(name)));
        }
        QFile file(tree.filePath(QStringLiteral("alps.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        MainWindow w;
        QCompleter* completer = w.field->completer();
        QVERIFY(completer);
        QApplication::setActiveWindow(&w.window);
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        w.field->setFocus();
        // Typed as a user does; each folder on the way is read off the GUI thread.
        for (const QString& part : tree.path().split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            QTest::keyClicks(w.field, QLatin1Char('/') + part);
            QTest::qWait(50);
        }
        QTest::keyClicks(w.field, QStringLiteral("/al"));
        // Folders only: alpha and alpine, not the file alps.txt.
        QTRY_COMPARE(completer->completionCount(), 2);
        QStringList offered;
        for (int row = 0; completer->setCurrentRow(row); ++row) {
            offered << completer->currentCompletion();
        }
        offered.sort();
        QCOMPARE(offered, QStringList({tree.filePath(QStringLiteral("alpha")),
                                       tree.filePath(QStringLiteral("alpine"))}));
    }

    void aDroppedFolderIsScannedOnlyReading() {
        QTemporaryDir folder;
        const QString path = QDir::cleanPath(folder.path());
        QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex")).setValue("mark", true);
        MainWindow w(path.toStdString());
        const QUrl url = QUrl::fromLocalFile(path);
        QPlainTextEdit* output = control<QPlainTextEdit>(w.view, "outputTextbox");

        // A file, two folders, or a remote address are no folder to scan.
        QTemporaryDir other;
        QFile file(folder.filePath(QStringLiteral("f.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        for (const QList<QUrl>& refused :
             {QList<QUrl>{QUrl::fromLocalFile(file.fileName())},
              QList<QUrl>{url, QUrl::fromLocalFile(other.path())},
              QList<QUrl>{QUrl(QStringLiteral("https://example.org/folder/"))}}) {
            QCOMPARE(dragAndDrop(output->viewport(), refused).second, false);
            QVERIFY(!w.view->isScanning());
        }

        // Dropped on the field, on the output or elsewhere: typed in, then scanned.
        for (QWidget* target : {static_cast<QWidget*>(w.field), output->viewport(),
                                static_cast<QWidget*>(w.status)}) {
            w.field->clear();
            QCOMPARE(dragAndDrop(target, {url}), std::pair(true, true));
            QCOMPARE(w.field->text(), path);
            QVERIFY(w.view->isScanning());
            QVERIFY(w.answered.wait(10000));
            QCOMPARE(w.window.windowTitle(), path);
        }
        // Nobody pressed Scan: nothing was written, and the status line says how to write.
        QCOMPARE(w.written(), std::set<std::string>{});
        QVERIFY2(w.status->text().contains(
                     QStringLiteral("Mark was not applied to this scan: press Scan to apply it")),
                 qPrintable(w.status->text()));
    }

    void emptyOutputHintsAndStatusGivesTheBrokenCount() {
        MainWindow w;
        auto* output = control<QPlainTextEdit>(w.view, "outputTextbox");
        QVERIFY(output->placeholderText().contains(QStringLiteral("Browse")));
        QVERIFY(output->placeholderText().contains(QStringLiteral("drop")));
        QVERIFY(!output->placeholderText().contains(QLatin1Char('\n')));
        QCOMPARE(w.view->outputString(), QString()); // a hint, not text that would be saved
        QVERIFY(w.scan(QStringLiteral("/scan/here")));
        QVERIFY2(w.status->text().startsWith(QStringLiteral("Last scan: ")) &&
                     w.status->text().contains(QStringLiteral("2 Finder aliases, 1 broken.")),
                 qPrintable(w.status->text()));
    }

    void iconAndGeometryPerScreen() {
        const QRect placed(10, 60, 780, 460); // on the 800 x 600 screen of the tests
        {
            MainWindow w;
            QVERIFY(!w.window.windowIcon().isNull());
            QVERIFY(!w.window.windowIcon().pixmap(64, 64).isNull());
            w.window.setGeometry(placed);
            QVERIFY(QTest::qWaitForWindowExposed(&w.window));
            w.window.close();
        }
        // Kept under the screen it was on.
        QSettings settings(QStringLiteral("Korvex"), QStringLiteral("Korvex"));
        settings.beginGroup(QStringLiteral("windowGeometry"));
        const QStringList screens = settings.childKeys();
        QCOMPARE(screens.size(), 1);
        QVERIFY2(screens.first().startsWith(QGuiApplication::primaryScreen()->name()),
                 qPrintable(screens.first()));
        MainWindow again;
        QCOMPARE(again.window.geometry(), placed);
    }

    void geometryFitsTheScreen() {
        // {wanted, available, fitted}: never larger than the room, moved back inside it.
        const struct {
            QRect wanted, available, fitted;
        } cases[] = {
            {{0, 0, 760, 520}, {0, 0, 800, 500}, {0, 0, 760, 500}},
            {{1500, 900, 760, 520}, {0, 0, 1600, 1000}, {840, 480, 760, 520}},
            {{-50, -40, 2000, 1200}, {0, 30, 1600, 970}, {0, 30, 1600, 970}},
            {{1700, 100, 760, 520}, {1600, 0, 1280, 800}, {1700, 100, 760, 520}},
            {{100, 100, 760, 520}, {1600, 0, 1280, 800}, {1600, 100, 760, 520}},
        };
        for (const auto& c : cases) {
            QCOMPARE(DocumentWindow::fittedGeometry(c.wanted, c.available), c.fitted);
        }
    }
};

[[maybe_unused]] const bool registered = registerTestObject<WindowConventionsTest>();

#include "WindowConventionsTest.moc"
