// The main window's content: scan states, typed and chosen folders, options, the output
// console, the font size and the settings they live in.
#include "ScanControlTest.h"

#include "SpinnerWidget.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QCheckBox>
#include <QDir>
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

QVariant stored(const QString& key) {
    return QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex")).value(key);
}

void store(const QString& key, const QVariant& value) {
    QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex")).setValue(key, value);
}

struct Window {
    std::shared_ptr<ScanWorld> world = std::make_shared<ScanWorld>();
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    ViewController view{world->factory(), panels};
    QSignalSpy answered{&view, &ViewController::scanAnswered};

    Window() { view.show(); }
    QString output() const { return view.outputString(); }
    bool idle() const {
        return view.scanButtonBut->isEnabled() && view.progressSpinner->isHidden() &&
               !view.progressSpinner->isAnimating();
    }
    bool scanning() const {
        return !view.scanButtonBut->isEnabled() && view.progressSpinner->isVisible() &&
               view.progressSpinner->isAnimating() && output() == waiting;
    }
    void press(const QString& typed) { // Return in the field presses Scan
        view.folderTextbox->setText(typed);
        QTest::keyClick(view.folderTextbox, Qt::Key_Return);
    }
    bool waitForAnswer() { return answered.count() == 1 || answered.wait(10000); }
};

} // namespace

void ScanControlTest::init() {
    clearSettings();
}

void ScanControlTest::launch_data() {
    QTest::addColumn<QVariant>("fontSize");
    QTest::addColumn<double>("expected");
    QTest::newRow("first launch") << QVariant() << 12.0;
    QTest::newRow("3 is too small") << QVariant(3.0) << 12.0;
    QTest::newRow("4") << QVariant(4.0) << 4.0;
    QTest::newRow("30 taken as stored") << QVariant(30.0) << 30.0;
}

void ScanControlTest::launch() {
    QFETCH(QVariant, fontSize);
    QFETCH(double, expected);
    if (fontSize.isValid()) {
        store(QStringLiteral("fontSize"), fontSize);
    }
    Window w;
    QCOMPARE(w.view.theFontSize, expected);
    w.view.showOutputText(QStringLiteral("x"));
    QCOMPARE(w.view.outputTextbox->font().pointSizeF(), expected);
    QCOMPARE(w.view.windowTitle(), QStringLiteral("Korvex"));
    QVERIFY(w.idle());
    QCOMPARE(w.view.markCheckbox->checkState(), Qt::Unchecked);
    QCOMPARE(w.view.homeDir, QUrl::fromLocalFile(QDir::homePath()));
    QCOMPARE(w.view.processingQueue.maxThreadCount(), 6);
}

void ScanControlTest::typedPaths_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("scanned");
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("flush");
    const QString home = QDir::homePath();
    QTest::newRow("~") << "~" << home << true << int(Qt::Checked);
    QTest::newRow("~/Documents") << "~/Documents" << home + "/Documents" << true
                                 << int(Qt::Unchecked);
    QTest::newRow("~other/x") << "~other/x" << home + "other/x" << true << int(Qt::Checked);
    QTest::newRow("lone blank") << " " << QDir::currentPath() + "/ " << false
                                << int(Qt::PartiallyChecked);
    QTest::newRow("missing") << "/no/such/dir/"
                             << "/no/such/dir" << false << int(Qt::Checked);
}

void ScanControlTest::typedPaths() {
    QFETCH(QString, typed);
    QFETCH(QString, scanned);
    QFETCH(bool, exists);
    QFETCH(int, flush);
    Window w;
    w.world->folder = exists ? scanned.toStdString() : "/elsewhere";
    w.view.flushCheckbox->setCheckState(Qt::CheckState(flush));
    w.press(typed);
    // Flushed right after the scan was queued; only "on" counts.
    QCOMPARE(w.view.folderTextbox->text(), flush == Qt::Checked ? QString() : typed);
    QVERIFY(w.waitForAnswer());
    QCOMPARE(w.world->get(&ScanWorld::walked), std::vector<std::string>{scanned.toStdString()});
    QCOMPARE(w.view.windowTitle(), typed); // the text as typed, not expanded
    QVERIFY(w.idle());
    QCOMPARE(w.output().startsWith(reportStart + scanned + ':'), exists);
    QCOMPARE(w.output() == notFound, !exists);
}

void ScanControlTest::folderPanel() {
    Window w;
    w.view.showOutputText(QStringLiteral("earlier report"));
    w.view.setWindowTitle(QStringLiteral("/earlier"));
    w.press(QString());
    // Choosing: the button waits, the spinner stays hidden, nothing else changes.
    QVERIFY(!w.view.scanButtonBut->isEnabled() && w.view.progressSpinner->isHidden());
    const OpenPanelRequest& asked = w.panels->openRequest;
    QVERIFY(!asked.allowsMultipleSelection && asked.canChooseDirectories && !asked.canChooseFiles);
    QVERIFY(asked.showsHiddenFiles && asked.treatsFilePackagesAsDirectories);
    QCOMPARE(asked.prompt, QStringLiteral("Scan"));
    QCOMPARE(w.panels->openWindow, w.view.window());
    ScriptedPanels::end(w.panels->openDone, panelCancel);
    QVERIFY(w.idle());
    QCOMPARE(w.output(), QStringLiteral("earlier report"));
    QCOMPARE(w.view.windowTitle(), QStringLiteral("/earlier"));

    w.press(QString()); // OK without a folder is no choice either
    ScriptedPanels::end(w.panels->openDone, panelOK);
    QVERIFY(w.idle() && w.world->get(&ScanWorld::walked).empty());

    w.view.flushCheckbox->setCheckState(Qt::Checked);
    w.press(QString());
    w.view.folderTextbox->setText(QStringLiteral("typed meanwhile")); // a panel scan ignores it
    w.world->setGate(false);
    ScriptedPanels::end(w.panels->openDone, panelOK, QStringLiteral("/scan/here/"));
    QVERIFY(w.scanning());
    QTest::keyClick(w.view.folderTextbox, Qt::Key_Return); // disabled: starts nothing
    QCOMPARE(w.view.windowTitle(), QStringLiteral("/scan/here"));
    QCOMPARE(w.view.folderTextbox->text(), QStringLiteral("typed meanwhile"));
    w.world->setGate(true);
    QVERIFY(w.waitForAnswer());
    QVERIFY(w.idle());
    // The report replaces the waiting line as a whole.
    QVERIFY(w.output().startsWith(reportStart + QStringLiteral("/scan/here:\n\n")));
    QVERIFY(w.output().contains(QStringLiteral("\n/scan/here/a/broken.alias\n")));
    QCOMPARE(w.world->get(&ScanWorld::walked).size(), std::size_t(1));
}

void ScanControlTest::optionsAreReadWhenTheScanStarts() {
    const std::string sidecar = "text /scan/here/a/broken.alias-korvex-broken.text";
    const std::string refresh = "bookmark /scan/here/b/fine.alias";
    struct Case {
        Qt::CheckState mark, rewrite;
        std::set<std::string> written;
    };
    for (const Case& c :
         {Case{Qt::Checked, Qt::Unchecked, {sidecar}}, Case{Qt::Unchecked, Qt::Checked, {refresh}},
          Case{Qt::PartiallyChecked, Qt::PartiallyChecked, {}}}) {
        Window w;
        w.view.markCheckbox->setCheckState(c.mark);
        w.view.rewriteCheckbox->setCheckState(c.rewrite);
        w.world->setGate(false);
        w.press(QStringLiteral("/scan/here"));
        QVERIFY(w.scanning());
        // Flipped while the scan waits: this scan must not notice.
        w.view.markCheckbox->setCheckState(c.mark == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        w.view.rewriteCheckbox->setCheckState(c.rewrite == Qt::Checked ? Qt::Unchecked
                                                                       : Qt::Checked);
        w.world->setGate(true);
        QVERIFY(w.waitForAnswer());
        QCOMPARE(w.world->get(&ScanWorld::written), c.written);
    }
}

void ScanControlTest::outputConsole() {
    Window w;
    w.view.restyleOutputText();
    QCOMPARE(w.output(), QString());
    w.view.showOutputText(QStringLiteral("line\nno break"));
    w.view.appendOutputText(QStringLiteral("Permission denied"));
    w.view.appendOutputText(QStringLiteral("\n2\u00a0spaces\u2026"));
    w.view.restyleOutputText();
    QCOMPARE(w.output(), QStringLiteral("line\nno breakPermission denied\n2\u00a0spaces\u2026"));
}

void ScanControlTest::fontSteps_data() {
    QTest::addColumn<double>("start");
    QTest::addColumn<bool>("bigger");
    QTest::addColumn<double>("expected");
    QTest::newRow("23.5 up") << 23.5 << true << 24.0;
    QTest::newRow("24 up") << 24.0 << true << 24.0;
    QTest::newRow("12.5 up") << 12.5 << true << 13.5;
    QTest::newRow("4.5 down") << 4.5 << false << 4.0;
    QTest::newRow("4 down") << 4.0 << false << 4.0;
    QTest::newRow("30 up") << 30.0 << true << 24.0;
    QTest::newRow("30 down") << 30.0 << false << 29.0;
}

void ScanControlTest::fontSteps() {
    QFETCH(double, start);
    QFETCH(bool, bigger);
    QFETCH(double, expected);
    Window w;
    w.view.theFontSize = start;
    w.view.showOutputText(QStringLiteral("some text"));
    bigger ? w.view.incFontSize() : w.view.decFontSize();
    QCOMPARE(w.view.theFontSize, expected);
    QCOMPARE(stored(QStringLiteral("fontSize")).toDouble(), expected); // stored, changed or not
    QCOMPARE(w.view.outputTextbox->font().pointSizeF(), expected);
    QCOMPARE(w.output(), QStringLiteral("some text"));
}

void ScanControlTest::optionsAreStoredWhenTheViewDisappears() {
    {
        Window first, second;
        first.view.flushCheckbox->setCheckState(Qt::Checked);
        second.view.markCheckbox->setCheckState(Qt::PartiallyChecked);
        second.view.rewriteCheckbox->setCheckState(Qt::Checked);
        QVERIFY(!stored(QStringLiteral("rewrite")).isValid()); // not before it disappears
        first.view.close();
        QCOMPARE(stored(QStringLiteral("flush")).toBool(), true);
        second.view.close(); // the last to close decides
        QCOMPARE(stored(QStringLiteral("flush")).toBool(), false);
        QCOMPARE(stored(QStringLiteral("mark")).toBool(), false);
        QCOMPARE(stored(QStringLiteral("rewrite")).toBool(), true);
    }
    Window again;
    QCOMPARE(again.view.rewriteCheckbox->checkState(), Qt::Checked);
    QCOMPARE(again.view.markCheckbox->checkState(), Qt::Unchecked);
    // Each appearance reloads the options and sets the title back.
    again.view.setWindowTitle(QStringLiteral("/some/folder"));
    again.view.hide();
    store(QStringLiteral("mark"), true);
    again.view.show();
    QCOMPARE(again.view.markCheckbox->checkState(), Qt::Checked);
    QCOMPARE(again.view.windowTitle(), QStringLiteral("Korvex"));
}
