// Stopping a scan (button, Escape, menu, closing, quitting), the status line, Rescan and the
// keys of the View menu, on real main windows.
#include "DocumentWindow.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace korvex;
using namespace korvex::test;

namespace {

const std::string first = "/scan/here/a/broken.alias";
const std::string second = "/scan/here/b/fine.alias";
const std::string sidecar = "text /scan/here/a/broken.alias-korvex-broken.text";

/// A main window whose scans are held at the second entry while the gate is closed.
struct HeldWindow {
    std::shared_ptr<ScanWorld> world = std::make_shared<ScanWorld>();
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    DocumentWindow* window = new DocumentWindow(new ViewController(world->factory(), panels));
    ViewController* view = window->contentViewController();
    QSignalSpy answered{view, &ViewController::scanAnswered};
    QLineEdit* folderTextbox = control<QLineEdit>(view, "folderTextbox");
    QPlainTextEdit* outputTextbox = control<QPlainTextEdit>(view, "outputTextbox");
    QCheckBox* flushCheckbox = control<QCheckBox>(view, "flushCheckbox");
    QPushButton* scanButtonBut = control<QPushButton>(view, "scanButtonBut");
    QCheckBox* markCheckbox = control<QCheckBox>(view, "markCheckbox");
    QCheckBox* rewriteCheckbox = control<QCheckBox>(view, "rewriteCheckbox");
    QPushButton* stopButton = control<QPushButton>(view, "stopButton");
    QLabel* statusLine = control<QLabel>(view, "statusLine");

    HeldWindow() {
        world->holdAt = second;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        QApplication::setActiveWindow(window);
    }
    ~HeldWindow() {
        world->setGate(true);
        if (window_ && window_->isVisible()) {
            window_->close();
        }
    }
    /// Starts a marking scan of the world's folder and waits until it is held.
    bool startHeld() {
        markCheckbox->setCheckState(Qt::Checked);
        world->setGate(false);
        folderTextbox->setText(QStringLiteral("/scan/here"));
        QTest::mouseClick(scanButtonBut, Qt::LeftButton);
        return view->isScanning() && world->waitForHeld();
    }
    QAction* action(const QString& text) const {
        for (QAction* a : window->findChildren<QAction*>()) {
            if (a->text().remove(QLatin1Char('&')) == text) {
                return a;
            }
        }
        return nullptr;
    }
    QPointer<DocumentWindow> window_{window};
};

} // namespace

class StopAndKeysTest : public QObject {
    Q_OBJECT
private slots:
    void init() { clearSettings(); }

    void stopMidScanShowsWhatWasDone() {
        const std::vector<std::pair<const char*, std::function<void(HeldWindow&)>>> ways = {
            {"Stop button", [](HeldWindow& w) { QTest::mouseClick(w.stopButton, Qt::LeftButton); }},
            {"Escape in the field",
             [](HeldWindow& w) { QTest::keyClick(w.folderTextbox, Qt::Key_Escape); }},
            {"Escape in the output",
             [](HeldWindow& w) { QTest::keyClick(w.outputTextbox, Qt::Key_Escape); }},
            {"Scan > Stop", [](HeldWindow& w) { w.action("Stop")->trigger(); }},
        };
        for (const auto& [name, stop] : ways) {
            HeldWindow w;
            QVERIFY2(w.startHeld(), name);
            QVERIFY(w.stopButton->isVisible() && w.action("Stop")->isEnabled());
            stop(w);
            QVERIFY2(!w.stopButton->isEnabled(), name);
            w.world->setGate(true);
            QVERIFY(w.answered.count() == 1 || w.answered.wait(10000));
            // The entry at hand was finished; none after it was looked at.
            QCOMPARE(w.world->get(&ScanWorld::examined), (std::vector<std::string>{first, second}));
            QCOMPARE(w.world->get(&ScanWorld::written), std::set<std::string>{sidecar});
            const QString output = w.view->outputString();
            QVERIFY2(output.contains(QStringLiteral("Aliases found broken:\n/scan/here/a/"
                                                    "broken.alias\n\nStopped before the end of "
                                                    "the folder.\nFound 1 broken Aliases")),
                     qPrintable(output));
            QVERIFY(!w.stopButton->isVisible() && !w.action("Stop")->isEnabled());
            QVERIFY2(w.statusLine->text().startsWith(
                         QStringLiteral("Stopped after 2 entries, 2 Finder aliases, 1 broken.")),
                     qPrintable(w.statusLine->text()));
            QVERIFY(w.scanButtonBut->isEnabled());
        }
    }

    void closingAndQuittingStopEveryScan() {
        HeldWindow a, b;
        QVERIFY(a.startHeld() && b.startHeld());
        QApplication::closeAllWindows(); // what Quit does before it leaves the event loop
        a.world->setGate(true);
        b.world->setGate(true);
        for (HeldWindow* w : {&a, &b}) {
            QVERIFY(w->world->waitForDone(1));
            QCOMPARE(w->world->get(&ScanWorld::examined),
                     (std::vector<std::string>{first, second}));
            QCOMPARE(w->world->get(&ScanWorld::written), std::set<std::string>{sidecar});
        }
        QTRY_VERIFY(a.window_.isNull() && b.window_.isNull());
    }

    void statusLineSaysWhatTheNextScanWrites() {
        struct Case {
            bool mark, rewrite;
            QStringList says, saysNot;
        };
        const QString markNote = QStringLiteral("Mark is on");
        const QString refreshNote = QStringLiteral("Refresh is on");
        const Case cases[] = {{false, false, {}, {markNote, refreshNote}},
                              {true, false, {markNote}, {refreshNote}},
                              {false, true, {refreshNote}, {markNote}},
                              {true, true, {markNote, refreshNote}, {}}};
        for (const Case& c : cases) {
            // Kept from the last launch: said as soon as the window appears.
            QSettings("Korvex", "Korvex").setValue("mark", c.mark);
            QSettings("Korvex", "Korvex").setValue("rewrite", c.rewrite);
            HeldWindow w;
            const QString text = w.statusLine->text();
            for (const QString& note : c.says) {
                QVERIFY2(text.contains(note), qPrintable(text));
            }
            for (const QString& note : c.saysNot) {
                QVERIFY2(!text.contains(note), qPrintable(text));
            }
            w.markCheckbox->setCheckState(Qt::Unchecked);
            w.rewriteCheckbox->setCheckState(Qt::Unchecked);
            QVERIFY(w.statusLine->text().isEmpty());
        }
    }

    void rescanScansTheLastFolderAgain() {
        HeldWindow w;
        QAction* rescan = w.action("Rescan");
        QVERIFY(rescan && !rescan->isEnabled()); // nothing scanned yet
        w.folderTextbox->setText(QStringLiteral("/scan/here"));
        w.flushCheckbox->setCheckState(Qt::Checked); // the field is emptied
        QTest::mouseClick(w.scanButtonBut, Qt::LeftButton);
        QVERIFY(w.answered.wait(10000));
        QVERIFY(w.folderTextbox->text().isEmpty() && rescan->isEnabled());
        for (const QKeySequence& key :
             {QKeySequence(Qt::CTRL | Qt::Key_R), QKeySequence(Qt::Key_F5)}) {
            QTest::keySequence(w.window, key);
            QVERIFY(w.view->isScanning() && !rescan->isEnabled());
            QVERIFY(w.answered.wait(10000));
        }
        QCOMPARE(w.world->get(&ScanWorld::walked),
                 (std::vector<std::string>{"/scan/here", "/scan/here", "/scan/here"}));
        QCOMPARE(w.window->windowTitle(), QStringLiteral("/scan/here"));
        // While the folder panel is open, a rescan would make a second scan: none starts.
        QTest::mouseClick(w.scanButtonBut, Qt::LeftButton); // empty field: the panel
        QVERIFY(!rescan->isEnabled());
        QTest::keyClick(w.window, Qt::Key_F5);
        w.view->rescan();
        QVERIFY(!w.view->isScanning());
        ScriptedPanels::end(w.panels->openDone, panelCancel);
        QVERIFY(rescan->isEnabled());
        QCOMPARE(w.world->get(&ScanWorld::walked).size(), 3u);
    }

    void zoomKeysAndTheirLimits() {
        // Key pressed, in order, on one window; the size after it; Bigger and Smaller enabled.
        struct Step {
            QKeySequence key;
            double size;
            bool bigger, smaller;
        };
        const QKeySequence in(Qt::CTRL | Qt::Key_Equal), plus(Qt::CTRL | Qt::Key_Plus),
            out(Qt::CTRL | Qt::Key_Minus), actual(Qt::CTRL | Qt::Key_0);
        QSettings("Korvex", "Korvex").setValue("fontSize", 23.0);
        HeldWindow w;
        const Step steps[] = {
            {in, 24, false, true},    {plus, 24, false, true}, {out, 23, true, true},
            {actual, 12, true, true}, {out, 11, true, true},
        };
        for (const Step& step : steps) {
            QTest::keySequence(w.window, step.key);
            QCOMPARE(w.view->fontSize(), step.size);
            QCOMPARE(w.action("Bigger")->isEnabled(), step.bigger);
            QCOMPARE(w.action("Smaller")->isEnabled(), step.smaller);
        }
        for (int i = 0; i < 10; ++i) {
            w.view->decFontSize();
        }
        QCOMPARE(w.view->fontSize(), 4.0);
        QVERIFY(!w.action("Smaller")->isEnabled() && w.action("Bigger")->isEnabled());
    }

    void wrapLinesIsKept() {
        for (bool wrap : {true, false}) {
            {
                HeldWindow w;
                QAction* action = w.action("Wrap Lines");
                QVERIFY(action->isCheckable());
                action->setChecked(wrap);
                QCOMPARE(w.view->wrapsLines(), wrap);
            }
            HeldWindow again;
            QCOMPARE(again.view->wrapsLines(), wrap);
            QCOMPARE(again.action("Wrap Lines")->isChecked(), wrap);
        }
    }

    void frontmostMainWindowIsTheActiveOneElseTheOneActiveLast() {
        HeldWindow a, b;
        QVERIFY(QTest::qWaitForWindowActive(b.window));
        QCOMPARE(DocumentWindow::frontmost(), b.window);
        QApplication::setActiveWindow(a.window);
        QVERIFY(QTest::qWaitForWindowActive(a.window));
        QCOMPARE(DocumentWindow::frontmost(), a.window);
        QWidget other; // e.g. a help window in front: the main window active last still counts
        other.show();
        QApplication::setActiveWindow(&other);
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QCOMPARE(DocumentWindow::frontmost(), a.window);
    }

    void folderMnemonicClashesWithNoMenu() {
        HeldWindow w;
        QList<QChar> taken;
        for (QAction* menu : w.window->menuBar()->actions()) {
            const QString text = menu->text();
            taken << text.at(text.indexOf(QLatin1Char('&')) + 1).toLower();
        }
        const auto* label = w.window->findChild<QLabel*>(QStringLiteral("folderLabel"));
        const int amp = label->text().indexOf(QLatin1Char('&'));
        QVERIFY(amp >= 0);
        QVERIFY2(!taken.contains(label->text().at(amp + 1).toLower()), qPrintable(label->text()));
        QCOMPARE(label->buddy(), static_cast<QWidget*>(w.folderTextbox));
    }
};

[[maybe_unused]] const bool registered = registerTestObject<StopAndKeysTest>();

#include "StopAndKeysTest.moc"
