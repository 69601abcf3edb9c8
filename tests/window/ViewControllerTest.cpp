// The main window's content: scan states, typed and chosen folders, options, font size and
// the settings they live in.
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

QSettings settings() {
    return QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex"));
}

} // namespace

struct ScanControlTest::Window {
    std::shared_ptr<ScanWorld> world = std::make_shared<ScanWorld>();
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    ViewController view{world->factory(), panels};

    Window() { view.show(); }
    QString output() const { return view.outputString(); }
    bool idle() const {
        return view.scanButtonBut->isEnabled() && view.progressSpinner->isHidden() &&
               !view.progressSpinner->isAnimating();
    }
    bool scanning() const {
        return !view.scanButtonBut->isEnabled() && !view.progressSpinner->isHidden() &&
               view.progressSpinner->isAnimating() && output() == waiting;
    }
    /// Types `text`, presses Scan and waits for the answer.
    bool scanTyped(const QString& text) {
        view.folderTextbox->setText(text);
        return pressAndWait();
    }
    bool pressAndWait() {
        QSignalSpy answered(&view, &ViewController::scanAnswered);
        QTest::mouseClick(view.scanButtonBut, Qt::LeftButton);
        return answered.count() == 1 || answered.wait(10000);
    }
};

void ScanControlTest::initTestCase() {
    useTemporarySettings();
}

void ScanControlTest::init() {
    clearSettings();
}

void ScanControlTest::firstLaunchIsIdleWithDefaults() {
    Window w;
    QCOMPARE(w.view.windowTitle(), QStringLiteral("Korvex"));
    QVERIFY(w.idle());
    QCOMPARE(w.view.flushCheckbox->checkState(), Qt::Unchecked);
    QCOMPARE(w.view.markCheckbox->checkState(), Qt::Unchecked);
    QCOMPARE(w.view.rewriteCheckbox->checkState(), Qt::Unchecked);
    QCOMPARE(w.view.theFontSize, 12.0);
    QCOMPARE(w.view.homeDir, QUrl::fromLocalFile(QDir::homePath()));
    QCOMPARE(w.view.processingQueue.maxThreadCount(), 6);
}

void ScanControlTest::typedScanGoesThroughScanningToTheReport() {
    Window w;
    w.world->closeGate();
    QSignalSpy answered(&w.view, &ViewController::scanAnswered);
    w.view.folderTextbox->setText(QStringLiteral("/scan/here"));
    QTest::keyClick(w.view.folderTextbox, Qt::Key_Return); // Return presses Scan

    QVERIFY(w.scanning());
    QCOMPARE(w.view.windowTitle(), QStringLiteral("/scan/here"));
    // A second Return while scanning starts nothing.
    QTest::keyClick(w.view.folderTextbox, Qt::Key_Return);

    w.world->openGate();
    QVERIFY(answered.wait(10000));
    QVERIFY(w.idle());
    QVERIFY2(w.output().startsWith(
                 QStringLiteral("Scan of all Finder Aliases in the folder /scan/here:\n\n")),
             qPrintable(w.output()));
    QVERIFY(w.output().contains(QStringLiteral("/scan/here/a/broken.alias")));
    QVERIFY(!w.output().contains(waiting));
    QCOMPARE(w.world->walkedFolders().size(), std::size_t(1));
    QCOMPARE(w.view.windowTitle(), QStringLiteral("/scan/here")); // the answer keeps the title
}

void ScanControlTest::typedPaths_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("scanned");
    QTest::addColumn<bool>("exists");
    const QString home = QDir::homePath();
    QTest::newRow("tilde alone") << "~" << home << true;
    QTest::newRow("tilde slash") << "~/Documents" << home + "/Documents" << true;
    QTest::newRow("tilde other user") << "~other/x" << home + "other/x" << true;
    QTest::newRow("lone blank") << " " << QDir::currentPath() + "/ " << false;
    QTest::newRow("trailing slash") << "/scan/here/"
                                    << "/scan/here" << true;
    QTest::newRow("missing") << "/no/such/folder"
                             << "/no/such/folder" << false;
    QTest::newRow("tilde inside") << "/a/~b"
                                  << "/a/~b" << false;
}

void ScanControlTest::typedPaths() {
    QFETCH(QString, typed);
    QFETCH(QString, scanned);
    QFETCH(bool, exists);
    Window w;
    if (exists) {
        w.world->setFolder(scanned);
    }
    QVERIFY(w.scanTyped(typed));
    const auto walked = w.world->walkedFolders();
    QCOMPARE(walked.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(walked[0]), scanned);
    QCOMPARE(w.view.windowTitle(), typed); // the title is the text as typed
    QVERIFY(w.idle());
    if (exists) {
        QVERIFY(w.output().startsWith(QStringLiteral("Scan of all Finder Aliases in the folder ") +
                                      scanned + QStringLiteral(":")));
    } else {
        QCOMPARE(w.output(), notFound);
    }
}

void ScanControlTest::flushEmptiesOnlyATypedField() {
    for (Qt::CheckState flush : {Qt::Checked, Qt::Unchecked, Qt::PartiallyChecked}) {
        Window w;
        w.view.flushCheckbox->setCheckState(flush);
        w.world->closeGate();
        w.view.folderTextbox->setText(QStringLiteral("/scan/here"));
        QTest::mouseClick(w.view.scanButtonBut, Qt::LeftButton);
        // Emptied right after the scan was queued, while it still runs; the title keeps it.
        QCOMPARE(w.view.folderTextbox->text(),
                 flush == Qt::Checked ? QString() : QStringLiteral("/scan/here"));
        QCOMPARE(w.view.windowTitle(), QStringLiteral("/scan/here"));
        w.world->openGate();
        QVERIFY(w.world->waitForDone(1));
    }
}

void ScanControlTest::panelCancelledRestoresIdle() {
    Window w;
    w.view.showOutputText(QStringLiteral("earlier report"));
    w.view.setWindowTitle(QStringLiteral("/earlier"));
    QTest::mouseClick(w.view.scanButtonBut, Qt::LeftButton);

    // Choosing: the button waits for the panel, the spinner stays hidden, output unchanged.
    QCOMPARE(w.panels->openPanels, 1);
    QVERIFY(!w.view.scanButtonBut->isEnabled());
    QVERIFY(w.view.progressSpinner->isHidden());
    QCOMPARE(w.output(), QStringLiteral("earlier report"));
    const OpenPanelRequest& request = w.panels->openRequest;
    QVERIFY(!request.allowsMultipleSelection);
    QVERIFY(request.canChooseDirectories);
    QVERIFY(request.showsHiddenFiles);
    QVERIFY(!request.canChooseFiles);
    QVERIFY(request.treatsFilePackagesAsDirectories);
    QCOMPARE(request.prompt, QStringLiteral("Scan"));
    QCOMPARE(w.panels->openWindow, w.view.window());

    w.panels->endOpenPanel(panelCancel);
    QVERIFY(w.idle());
    QCOMPARE(w.output(), QStringLiteral("earlier report"));
    QCOMPARE(w.view.windowTitle(), QStringLiteral("/earlier"));
    QVERIFY(w.world->walkedFolders().empty());

    // OK without a folder is no choice either.
    QTest::mouseClick(w.view.scanButtonBut, Qt::LeftButton);
    w.panels->endOpenPanel(panelOK, QString());
    QVERIFY(w.idle());
    QVERIFY(w.world->walkedFolders().empty());
}

void ScanControlTest::panelConfirmedScansTheChosenFolder() {
    Window w;
    w.view.flushCheckbox->setCheckState(Qt::Checked);
    QTest::mouseClick(w.view.scanButtonBut, Qt::LeftButton);
    // Typed while the panel is open: a panel scan neither reads nor flushes the field.
    w.view.folderTextbox->setText(QStringLiteral("typed meanwhile"));
    w.world->closeGate();
    QSignalSpy answered(&w.view, &ViewController::scanAnswered);
    w.panels->endOpenPanel(panelOK, QStringLiteral("/scan/here"));

    QVERIFY(w.scanning());
    QCOMPARE(w.view.windowTitle(), QStringLiteral("/scan/here"));
    QCOMPARE(w.view.folderTextbox->text(), QStringLiteral("typed meanwhile"));
    w.world->openGate();
    QVERIFY(answered.wait(10000));
    QVERIFY(w.idle());
    QVERIFY(w.output().contains(QStringLiteral("/scan/here/a/broken.alias")));
}

void ScanControlTest::optionsAreReadWhenTheScanStarts() {
    struct Case {
        Qt::CheckState mark, rewrite;
        bool sidecar, refreshed;
    };
    for (Case c : {Case{Qt::Checked, Qt::Unchecked, true, false},
                   Case{Qt::Unchecked, Qt::Checked, false, true},
                   Case{Qt::PartiallyChecked, Qt::PartiallyChecked, false, false}}) {
        Window w;
        w.view.markCheckbox->setCheckState(c.mark);
        w.view.rewriteCheckbox->setCheckState(c.rewrite);
        w.world->closeGate();
        w.view.folderTextbox->setText(QStringLiteral("/scan/here"));
        QSignalSpy answered(&w.view, &ViewController::scanAnswered);
        QTest::mouseClick(w.view.scanButtonBut, Qt::LeftButton);
        // Flipped while the scan waits: this scan must not notice.
        w.view.markCheckbox->setCheckState(c.mark == Qt::Checked ? Qt::Unchecked : Qt::Checked);
        w.view.rewriteCheckbox->setCheckState(c.rewrite == Qt::Checked ? Qt::Unchecked
                                                                       : Qt::Checked);
        w.world->openGate();
        QVERIFY(answered.wait(10000));
        QCOMPARE(w.world->writtenTexts().count("/scan/here/a/broken.alias-korvex-broken.text"),
                 std::size_t(c.sidecar ? 1 : 0));
        QCOMPARE(w.world->refreshed.size(), std::size_t(c.refreshed ? 1 : 0));
        QVERIFY(w.output().contains(c.refreshed ? QStringLiteral("and rewrote 1,")
                                                : QStringLiteral("and rewrote 0,")));
    }
}

void ScanControlTest::scanWithoutPlatformGivesControlsBack() {
    auto panels = std::make_shared<ScriptedPanels>();
    ViewController view([] { return std::unique_ptr<AliasPlatform>(); }, panels);
    view.show();
    view.folderTextbox->setText(QStringLiteral("/anything"));
    QSignalSpy answered(&view, &ViewController::scanAnswered);
    QTest::mouseClick(view.scanButtonBut, Qt::LeftButton);
    QVERIFY(answered.wait(10000));
    QCOMPARE(view.outputString(), notFound);
    QVERIFY(view.scanButtonBut->isEnabled());
}

void ScanControlTest::outputRunsTextsTogether() {
    Window w;
    w.view.restyleOutputText();
    QCOMPARE(w.output(), QString());
    w.view.showOutputText(QStringLiteral("first line\nno break"));
    w.view.appendOutputText(QStringLiteral("Permission denied"));
    QCOMPARE(w.output(), QStringLiteral("first line\nno breakPermission denied"));
    w.view.appendOutputText(QStringLiteral("\n2\u00a0spaces\u2026"));
    w.view.restyleOutputText();
    QCOMPARE(w.output(),
             QStringLiteral("first line\nno breakPermission denied\n2\u00a0spaces\u2026"));
    w.view.showOutputText(QStringLiteral("replaced"));
    QCOMPARE(w.output(), QStringLiteral("replaced"));
}

void ScanControlTest::fontSteps_data() {
    QTest::addColumn<double>("start");
    QTest::addColumn<bool>("bigger");
    QTest::addColumn<double>("expected");
    QTest::newRow("23.5 up") << 23.5 << true << 24.0;
    QTest::newRow("24 up stays") << 24.0 << true << 24.0;
    QTest::newRow("12.5 up") << 12.5 << true << 13.5;
    QTest::newRow("4.5 down") << 4.5 << false << 4.0;
    QTest::newRow("4 down stays") << 4.0 << false << 4.0;
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
    // Stored on every step, also when the size stayed; the shown text has the new size.
    QCOMPARE(settings().value(QStringLiteral("fontSize")).toDouble(), expected);
    QCOMPARE(w.view.outputTextbox->font().pointSizeF(), expected);
    QCOMPARE(w.output(), QStringLiteral("some text"));
    // A text shown later keeps it.
    w.view.showOutputText(QStringLiteral("later"));
    QCOMPARE(w.view.outputTextbox->font().pointSizeF(), expected);
}

void ScanControlTest::storedFontSize_data() {
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<double>("expected");
    QTest::newRow("missing") << QVariant() << 12.0;
    QTest::newRow("3") << QVariant(3.0) << 12.0;
    QTest::newRow("3.99") << QVariant(3.99) << 12.0;
    QTest::newRow("4") << QVariant(4.0) << 4.0;
    QTest::newRow("30") << QVariant(30.0) << 30.0;
    QTest::newRow("not a number") << QVariant(QStringLiteral("big")) << 12.0;
}

void ScanControlTest::storedFontSize() {
    QFETCH(QVariant, stored);
    QFETCH(double, expected);
    if (stored.isValid()) {
        settings().setValue(QStringLiteral("fontSize"), stored);
    }
    Window w;
    QCOMPARE(w.view.theFontSize, expected);
    w.view.showOutputText(QStringLiteral("x"));
    QCOMPARE(w.view.outputTextbox->font().pointSizeF(), expected);
}

void ScanControlTest::optionsAreStoredWhenTheViewDisappears() {
    {
        Window w;
        w.view.flushCheckbox->setCheckState(Qt::Checked);
        w.view.markCheckbox->setCheckState(Qt::PartiallyChecked);
        w.view.rewriteCheckbox->setCheckState(Qt::Checked);
        QVERIFY(!settings().contains(QStringLiteral("flush"))); // only when it disappears
        w.view.close();
        QCOMPARE(settings().value(QStringLiteral("flush")).toBool(), true);
        QCOMPARE(settings().value(QStringLiteral("mark")).toBool(), false);
        QCOMPARE(settings().value(QStringLiteral("rewrite")).toBool(), true);
    }
    Window again;
    QCOMPARE(again.view.flushCheckbox->checkState(), Qt::Checked);
    QCOMPARE(again.view.markCheckbox->checkState(), Qt::Unchecked);
    QCOMPARE(again.view.rewriteCheckbox->checkState(), Qt::Checked);

    // Appearing again reloads the options and sets the title back.
    again.view.setWindowTitle(QStringLiteral("/some/folder"));
    again.view.hide();
    settings().setValue(QStringLiteral("mark"), true);
    again.view.show();
    QCOMPARE(again.view.markCheckbox->checkState(), Qt::Checked);
    QCOMPARE(again.view.windowTitle(), QStringLiteral("Korvex"));
}

void ScanControlTest::lastWindowToCloseDecidesTheOptions() {
    Window first;
    Window second;
    first.view.markCheckbox->setCheckState(Qt::Checked);
    second.view.markCheckbox->setCheckState(Qt::Unchecked);
    second.view.rewriteCheckbox->setCheckState(Qt::Checked);
    first.view.close();
    second.view.close();
    QCOMPARE(settings().value(QStringLiteral("mark")).toBool(), false);
    QCOMPARE(settings().value(QStringLiteral("rewrite")).toBool(), true);
}
