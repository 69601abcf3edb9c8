// The main window's content: scan states, typed and chosen folders, options, the output
// console, the font size and the settings they live in.
#include "ViewController.h"
#include "SpinnerWidget.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

using namespace korvex;
using namespace korvex::test;

namespace {

const QString waiting = QStringLiteral("Getting scan results\u2026");
const QString notFound = QStringLiteral("Couldn't find that folder. Try again.");
const QString reportStart = QStringLiteral("Scan of all Finder Aliases in the folder ");

struct Window {
    std::shared_ptr<ScanWorld> world = std::make_shared<ScanWorld>();
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    ViewController view{world->factory(), panels};
    QSignalSpy answered{&view, &ViewController::scanAnswered};
    QLineEdit* folderTextbox = control<QLineEdit>(&view, "folderTextbox");
    QPlainTextEdit* outputTextbox = control<QPlainTextEdit>(&view, "outputTextbox");
    QCheckBox* flushCheckbox = control<QCheckBox>(&view, "flushCheckbox");
    SpinnerWidget* progressSpinner = control<SpinnerWidget>(&view, "progressSpinner");
    QPushButton* scanButtonBut = control<QPushButton>(&view, "scanButtonBut");
    QCheckBox* markCheckbox = control<QCheckBox>(&view, "markCheckbox");
    QCheckBox* rewriteCheckbox = control<QCheckBox>(&view, "rewriteCheckbox");

    Window() { view.show(); }
    static QVariant stored(const char* key) { return QSettings("Korvex", "Korvex").value(key); }
    static void store(const char* key, const QVariant& v) {
        QSettings("Korvex", "Korvex").setValue(key, v);
    }
    QString output() const { return view.outputString(); }
    bool idle() const {
        return scanButtonBut->isEnabled() && progressSpinner->isHidden() &&
               !progressSpinner->isAnimating();
    }
    bool scanning() const {
        return !scanButtonBut->isEnabled() && progressSpinner->isVisible() &&
               progressSpinner->isAnimating() && output() == waiting;
    }
    void press(const QString& typed) { // Return in the field presses Scan
        folderTextbox->setText(typed);
        QTest::keyClick(folderTextbox, Qt::Key_Return);
    }
    bool waitForAnswer() { return answered.count() == 1 || answered.wait(10000); }
};

} // namespace

class ScanControlTest : public QObject {
    Q_OBJECT
private slots:
    void init() { clearSettings(); }

    void launch() {
        // First launch, then stored font sizes: below 4 counts as none, above 24 is kept.
        for (auto [size, expected] : std::vector<std::pair<QVariant, double>>{
                 {QVariant(), 12.0}, {3.0, 12.0}, {4.0, 4.0}, {30.0, 30.0}}) {
            if (size.isValid()) {
                Window::store("fontSize", size);
            }
            Window w;
            QCOMPARE(w.view.fontSize(), expected);
            w.view.showOutputText(QStringLiteral("x"));
            QCOMPARE(w.outputTextbox->font().pointSizeF(), expected);
            QCOMPARE(w.view.windowTitle(), QStringLiteral("Korvex"));
            QVERIFY(w.idle());
            QCOMPARE(w.markCheckbox->checkState(), Qt::Unchecked);
            QCOMPARE(w.view.homeDir(), QUrl::fromLocalFile(QDir::homePath()));
        }
    }

    void typedPaths() {
        struct Case {
            QString typed, scanned;
            bool exists;
            Qt::CheckState flush;
        };
        const QString home = QDir::homePath();
        for (const Case& c : {Case{"~", home, true, Qt::Checked},
                              Case{"~/Documents", home + "/Documents", true, Qt::Unchecked},
                              Case{"~other/x", home + "other/x", true, Qt::Checked},
                              Case{" ", QDir::currentPath() + "/ ", false, Qt::PartiallyChecked},
                              Case{"/no/such/dir/", "/no/such/dir", false, Qt::Checked}}) {
            Window w;
            w.world->folder = c.exists ? c.scanned.toStdString() : "/elsewhere";
            w.flushCheckbox->setCheckState(c.flush);
            w.press(c.typed);
            // Flushed right after the scan was queued; only "on" counts.
            QCOMPARE(w.folderTextbox->text(), c.flush == Qt::Checked ? QString() : c.typed);
            QVERIFY2(w.waitForAnswer(), qPrintable(c.typed));
            QCOMPARE(w.world->get(&ScanWorld::walked), std::vector{c.scanned.toStdString()});
            QCOMPARE(w.view.windowTitle(), c.typed); // the text as typed, not expanded
            QVERIFY(w.idle());
            QCOMPARE(w.output().startsWith(reportStart + c.scanned + ':'), c.exists);
            QCOMPARE(w.output() == notFound, !c.exists);
        }
    }

    void folderPanel() {
        Window w;
        w.view.showOutputText(QStringLiteral("earlier report"));
        w.view.setWindowTitle(QStringLiteral("/earlier"));
        w.press(QString());
        // Choosing: the button waits, the spinner stays hidden, nothing else changes.
        QVERIFY(!w.scanButtonBut->isEnabled() && w.progressSpinner->isHidden());
        const OpenPanelRequest& asked = w.panels->openRequest;
        QVERIFY(!asked.allowsMultipleSelection && asked.canChooseDirectories &&
                !asked.canChooseFiles);
        QVERIFY(asked.showsHiddenFiles && asked.treatsFilePackagesAsDirectories);
        QCOMPARE(asked.prompt, QStringLiteral("&Scan"));
        QCOMPARE(w.panels->openWindow, w.view.window());
        ScriptedPanels::end(w.panels->openDone, panelCancel);
        QVERIFY(w.idle());
        QCOMPARE(w.output(), QStringLiteral("earlier report"));
        QCOMPARE(w.view.windowTitle(), QStringLiteral("/earlier"));

        w.press(QString()); // OK without a folder is no choice either
        ScriptedPanels::end(w.panels->openDone, panelOK);
        QVERIFY(w.idle() && w.world->get(&ScanWorld::walked).empty());

        w.flushCheckbox->setCheckState(Qt::Checked);
        w.press(QString());
        w.folderTextbox->setText(QStringLiteral("typed meanwhile")); // a panel scan ignores it
        w.world->setGate(false);
        ScriptedPanels::end(w.panels->openDone, panelOK, QStringLiteral("/scan/here/"));
        QVERIFY(w.scanning());
        QTest::keyClick(w.folderTextbox, Qt::Key_Return); // disabled: starts nothing
        QCOMPARE(w.view.windowTitle(), QStringLiteral("/scan/here"));
        QCOMPARE(w.folderTextbox->text(), QStringLiteral("typed meanwhile"));
        w.world->setGate(true);
        QVERIFY(w.waitForAnswer() && w.idle());
        // The report replaces the waiting line as a whole.
        QVERIFY(w.output().startsWith(reportStart + QStringLiteral("/scan/here:\n\n")));
        QVERIFY(w.output().contains(QStringLiteral("\n/scan/here/a/broken.alias\n")));
        QCOMPARE(w.world->get(&ScanWorld::walked).size(), std::size_t(1));
    }

    void optionsAreReadWhenTheScanStarts() {
        const std::string sidecar = "text /scan/here/a/broken.alias-korvex-broken.text";
        const std::string refresh = "bookmark /scan/here/b/fine.alias";
        using Written = std::set<std::string>;
        for (auto [mark, rewrite, written] :
             {std::tuple{Qt::Checked, Qt::Unchecked, Written{sidecar}},
              {Qt::Unchecked, Qt::Checked, Written{refresh}},
              {Qt::PartiallyChecked, Qt::PartiallyChecked, Written{}}}) {
            Window w;
            w.markCheckbox->setCheckState(mark);
            w.rewriteCheckbox->setCheckState(rewrite);
            w.world->setGate(false);
            w.press(QStringLiteral("/scan/here"));
            QVERIFY(w.scanning());
            // Flipped while the scan waits: this scan must not notice.
            w.markCheckbox->setCheckState(mark == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            w.rewriteCheckbox->setCheckState(rewrite == Qt::Checked ? Qt::Unchecked : Qt::Checked);
            w.world->setGate(true);
            QVERIFY(w.waitForAnswer());
            QCOMPARE(w.world->get(&ScanWorld::written), written);
        }
    }

    void outputAndFontSteps() {
        Window console;
        console.view.restyleOutputText();
        QCOMPARE(console.output(), QString());
        console.view.showOutputText(QStringLiteral("line\nno break"));
        console.view.appendOutputText(QStringLiteral("Permission denied"));
        console.view.appendOutputText(QStringLiteral("\n2\u00a0spaces\u2026"));
        console.view.restyleOutputText();
        QCOMPARE(console.output(),
                 QStringLiteral("line\nno breakPermission denied\n2\u00a0spaces\u2026"));

        // {start, bigger, expected}: steps of 1 between 4 and 24, snapping to the limits.
        for (auto [start, bigger, expected] : {std::tuple{23.5, true, 24.0},
                                               {24.0, true, 24.0},
                                               {12.5, true, 13.5},
                                               {4.5, false, 4.0},
                                               {4.0, false, 4.0},
                                               {30.0, true, 24.0},
                                               {30.0, false, 29.0}}) {
            clearSettings();
            Window::store("fontSize", start);
            Window w;
            w.view.showOutputText(QStringLiteral("some text"));
            bigger ? w.view.incFontSize() : w.view.decFontSize();
            QCOMPARE(w.view.fontSize(), expected);
            QCOMPARE(Window::stored("fontSize").toDouble(), expected); // stored, changed or not
            QCOMPARE(w.outputTextbox->font().pointSizeF(), expected);
            QCOMPARE(w.output(), QStringLiteral("some text"));
        }
    }

    void optionsAreStoredWhenTheyChange() {
        {
            Window first, second;
            first.flushCheckbox->setCheckState(Qt::Checked);
            QCOMPARE(Window::stored("flush").toBool(), true); // at once, not when it closes
            second.markCheckbox->setCheckState(Qt::PartiallyChecked);
            second.rewriteCheckbox->setCheckState(Qt::Checked);
            QCOMPARE(Window::stored("mark").toBool(), false);
            QCOMPARE(Window::stored("rewrite").toBool(), true);
            // Closing stores nothing: the second window, still showing flush off, must not
            // undo what the first one set later.
            first.view.close();
            second.view.close();
            QCOMPARE(Window::stored("flush").toBool(), true);
        }
        Window again;
        QCOMPARE(again.rewriteCheckbox->checkState(), Qt::Checked);
        QCOMPARE(again.markCheckbox->checkState(), Qt::Unchecked);
        QCOMPARE(again.flushCheckbox->checkState(), Qt::Checked);
        // Each appearance reloads the options and sets the title back.
        again.view.setWindowTitle(QStringLiteral("/some/folder"));
        again.view.hide();
        Window::store("mark", true);
        again.view.show();
        QCOMPARE(again.markCheckbox->checkState(), Qt::Checked);
        QCOMPARE(again.view.windowTitle(), QStringLiteral("Korvex"));
    }

    void aFolderGivenAtLaunchIsOnlyRead() {
        const std::string sidecar = "text /scan/here/a/broken.alias-korvex-broken.text";
        const std::string refresh = "bookmark /scan/here/b/fine.alias";
        const std::string oldData = "text /scan/here/b/fine.alias-korvex-rewrite.text";
        struct Case {
            bool mark, rewrite;
            QString note;
            std::set<std::string> writtenByScan;
        };
        const Case cases[] = {
            {true,
             true,
             QStringLiteral("Mark and Refresh were not applied to this scan: press Scan to apply "
                            "them"),
             {sidecar, refresh, oldData}},
            {true,
             false,
             QStringLiteral("Mark was not applied to this scan: press Scan to apply it"),
             {sidecar}},
            {false,
             true,
             QStringLiteral("Refresh was not applied to this scan: press Scan to apply it"),
             {refresh}},
            {false, false, QString(), {}},
        };
        for (const Case& c : cases) {
            clearSettings();
            // Kept from an earlier launch, with flush, which would empty the field.
            Window::store("mark", c.mark);
            Window::store("rewrite", c.rewrite);
            Window::store("flush", true);
            Window w;
            w.view.scanFolderGivenAtLaunch(QStringLiteral("/scan/here"));
            QVERIFY(w.waitForAnswer());
            QVERIFY(w.output().startsWith(reportStart + QStringLiteral("/scan/here:")));
            QCOMPARE(w.world->get(&ScanWorld::written), std::set<std::string>{});
            const QString status = control<QLabel>(&w.view, "statusLine")->text();
            QVERIFY2(c.note.isEmpty() ? !status.contains(QStringLiteral("not applied"))
                                      : status.contains(c.note),
                     qPrintable(status));
            // The field keeps the folder: Scan applies the options to it.
            QCOMPARE(w.folderTextbox->text(), QStringLiteral("/scan/here"));
            QTest::mouseClick(w.scanButtonBut, Qt::LeftButton);
            QVERIFY(w.answered.wait(10000));
            QCOMPARE(w.world->get(&ScanWorld::written), c.writtenByScan);
            QVERIFY(!control<QLabel>(&w.view, "statusLine")
                         ->text()
                         .contains(QStringLiteral("not applied")));
        }
    }
};

[[maybe_unused]] const bool registered = registerTestObject<ScanControlTest>();

#include "ViewControllerTest.moc"
