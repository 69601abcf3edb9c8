// The window without a mouse: a whole session (a folder typed, scan, stop, rescan, Find Moved
// Targets, a row ticked, relink, undo, save) with key events only, Delete in the lists of path
// mappings, and finding text in the report.
#include "DocumentWindow.h"
#include "FindBar.h"
#include "MovedTargetsController.h"
#include "MovedTargetsDialog.h"
#include "PathMappingStore.h"
#include "PreferencesDialog.h"
#include "QtFilePanels.h"
#include "TempTree.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <filesystem>

using namespace korvex;
using namespace korvex::test;

namespace {

/// A folder with two broken aliases whose targets moved within it: c to one place (its row
/// starts checked), e to two (a tie, its row starts unchecked).
struct Tree {
    TempTree tree;
    std::string folder = tree.path("scan");
    Tree() {
        tree.file("scan/aliases/c alias", test::aliasBytes(folder + "/old/c.txt"));
        tree.file("scan/new/c.txt");
        tree.file("scan/aliases/e alias", test::aliasBytes(folder + "/e.txt"));
        tree.file("scan/x/e.txt");
        tree.file("scan/y/e.txt");
    }
    std::string alias(const char* name) const { return folder + "/aliases/" + name + " alias"; }
};

QWidget* focused() {
    return QApplication::focusWidget();
}

/// Presses the keys of `sequence` where the focus is.
void press(const QKeySequence& sequence) {
    QWidget* where = focused();
    QVERIFY(where);
    QTest::keySequence(where, sequence);
}

void pressAlt(char letter) {
    QWidget* where = focused();
    QVERIFY(where);
    QTest::keyClick(where, Qt::Key(Qt::Key_A + (letter - 'a')), Qt::AltModifier);
}

} // namespace

class KeyboardOnlyTest : public QObject {
    Q_OBJECT
private slots:
    void init() { startWithNothingStored(); }

    void aWholeSession() {
        Tree t;
        const test::Bytes c = readBytes(t.alias("c")), e = readBytes(t.alias("e"));
        QTemporaryDir saves;
        DocumentWindow window(
            new ViewController(diskPlatforms(), std::make_shared<QtFilePanels>()));
        ViewController* view = window.contentViewController();
        auto* field = control<QLineEdit>(view, "folderTextbox");
        auto* scan = control<QPushButton>(view, "scanButtonBut");
        auto* stop = control<QPushButton>(view, "stopButton");
        QSignalSpy answered(view, &ViewController::scanAnswered);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(focused(), field);

        // A folder typed, scanned with Return, stopped from the Stop button reached with Tab.
        QTest::keyClicks(field, QString::fromStdString(t.folder));
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(view->isScanning());
        QTest::keyClick(focused(), Qt::Key_Tab); // Browse (Scan is off)
        QTest::keyClick(focused(), Qt::Key_Tab);
        QCOMPARE(focused(), stop);
        QTest::keyClick(stop, Qt::Key_Space);
        QVERIFY(!stop->isEnabled());
        QVERIFY(focused() != stop && !qobject_cast<QCheckBox*>(focused()));
        QVERIFY(answered.wait(10000));
        QCOMPARE(focused(), scan); // back where the scan was started from, not on an option

        // Rescan (Ctrl+R) from the Scan button: the focus stays there.
        press(QKeySequence(Qt::CTRL | Qt::Key_R));
        QVERIFY(view->isScanning());
        QVERIFY(answered.wait(10000));
        QCOMPARE(focused(), scan);
        QVERIFY(view->outputString().contains(QStringLiteral("Found 2 broken Aliases")));

        // Find Moved Targets (Alt+M); e's row ticked with Space; Relink (Alt+R), confirmed.
        auto* controller = view->findChild<MovedTargetsController*>();
        QSignalSpy shown(controller, &MovedTargetsController::dialogShown);
        pressAlt('m');
        QVERIFY(shown.wait(10000));
        MovedTargetsDialog* dialog = controller->dialog();
        QApplication::setActiveWindow(dialog);
        QTRY_COMPARE(focused(), static_cast<QWidget*>(dialog->table));
        MovedTargetsModel* model = dialog->model();
        QTest::keyClick(dialog->table, Qt::Key_Home, Qt::ControlModifier);
        for (int i = 0; i < model->rowCount() &&
                        model->index(dialog->table->currentIndex().row(), 0).data().toString() !=
                            QString::fromStdString(t.alias("e"));
             ++i) {
            QTest::keyClick(dialog->table, Qt::Key_Down);
        }
        const QModelIndex eRow = model->index(dialog->table->currentIndex().row(), 0);
        QCOMPARE(eRow.data().toString(), QString::fromStdString(t.alias("e")));
        QCOMPARE(eRow.data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        QTest::keyClick(dialog->table, Qt::Key_Space);
        QCOMPARE(eRow.data(Qt::CheckStateRole).toInt(), int(Qt::Checked));
        QCOMPARE(dialog->relinkButton->text(), QStringLiteral("&Relink 2 Checked"));
        pressAlt('r');
        QTRY_VERIFY(dialog->confirmation && dialog->confirmation->isVisible());
        QApplication::setActiveWindow(dialog->confirmation);
        QTRY_VERIFY(focused() && focused()->window() == dialog->confirmation);
        answered.clear();
        pressAlt('r');
        QVERIFY(answered.wait(10000)); // relinked, scanned again
        QCOMPARE(infoOf(readBytes(t.alias("c"))).targetPath(), t.folder + "/new/c.txt");
        QCOMPARE(infoOf(readBytes(t.alias("e"))).targetPath(), t.folder + "/x/e.txt");

        // Undo Relink (Ctrl+Z) back in the window.
        QApplication::setActiveWindow(&window);
        QTRY_VERIFY(focused() && focused()->window() == &window);
        QSignalSpy undone(controller, &MovedTargetsController::undoDone);
        press(QKeySequence::Undo);
        QVERIFY(undone.wait(10000));
        QVERIFY(answered.wait(10000));
        QCOMPARE(readBytes(t.alias("c")), c);
        QCOMPARE(readBytes(t.alias("e")), e);

        // Save Output (Ctrl+S): the name typed into the panel's field, Return.
        press(QKeySequence::Save);
        QFileDialog* panel = nullptr;
        QTRY_VERIFY((panel = window.findChild<QFileDialog*>()) && panel->isVisible());
        QApplication::setActiveWindow(panel);
        QTRY_VERIFY(qobject_cast<QLineEdit*>(focused()) && focused()->window() == panel);
        const std::string saved = saves.filePath(QStringLiteral("report.text")).toStdString();
        QTest::keyClick(focused(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(focused(), QString::fromStdString(saved));
        QTest::keyClick(focused(), Qt::Key_Return);
        QTRY_VERIFY(std::filesystem::exists(saved));
        QCOMPARE(QString::fromStdString(readAll(saved)).trimmed(), view->outputString().trimmed());
    }

    // Delete removes the selected row of Preferences' table, but is text editing in a cell.
    void deleteInPreferences() {
        std::string ignored;
        PathMappingStore().save({{"/Volumes/A", "/mnt/a"}, {"/Volumes/B", "/mnt/b"}}, ignored);
        PreferencesDialog dialog(PathMappingStore(), std::make_shared<ScriptedPanels>());
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        dialog.mappingTable->setFocus();
        dialog.mappingTable->selectRow(0);
        QTest::keyClick(dialog.mappingTable, Qt::Key_Delete);
        QCOMPARE(dialog.tableMappings(), (std::vector<PathMapping>{{"/Volumes/B", "/mnt/b"}}));

        dialog.mappingTable->setCurrentCell(0, 0);
        QTest::keyClick(dialog.mappingTable, Qt::Key_F2);
        QWidget* editor = focused();
        QVERIFY(editor && editor != dialog.mappingTable);
        QTest::keyClick(editor, Qt::Key_Home);
        QTest::keyClick(editor, Qt::Key_Delete);
        QCOMPARE(editor->property("text").toString(), QStringLiteral("Volumes/B"));
        QCOMPARE(dialog.mappingTable->rowCount(), 1);
    }

    // Delete takes a suggestion off Find Moved Targets' list, without storing anything.
    void deleteInSuggestedMappings() {
        TempTree tree;
        const std::string folder = tree.path("scan");
        tree.file("scan/a alias",
                  test::aliasBytes("/Volumes/Archive/P/a.pdf", "/Volumes/Archive", "Archive"));
        tree.file("scan/vol/P/a.pdf");
        tree.file("scan/b alias",
                  test::aliasBytes("/Volumes/Archive/Q/b.pdf", "/Volumes/Archive", "Archive"));
        tree.file("scan/vol/Q/b.pdf");
        ViewController view(diskPlatforms(), std::make_shared<ScriptedPanels>());
        view.show();
        QSignalSpy answered(&view, &ViewController::scanAnswered);
        view.startScan(fileUrlWithPath(folder, true));
        QVERIFY(answered.wait(10000));
        auto* controller = view.findChild<MovedTargetsController*>();
        QSignalSpy shown(controller, &MovedTargetsController::dialogShown);
        controller->findMovedTargets();
        QVERIFY(shown.wait(10000));
        MovedTargetsDialog* dialog = controller->dialog();
        QCOMPARE(dialog->mappingList->count(), 1);
        QApplication::setActiveWindow(dialog);
        dialog->mappingList->setFocus();
        QTest::keyClick(dialog->mappingList, Qt::Key_Delete);
        QCOMPARE(dialog->mappingList->count(), 0);
        QVERIFY(!dialog->addMappingButton->isEnabled());
        QVERIFY(PathMappingStore().load().mappings.empty());
        dialog->close();
    }

    // Ctrl+F opens the find bar, Return, F3 and Shift+F3 step through the report's matches
    // round its end, Escape closes the bar and goes back to the report.
    void findInTheReport() {
        auto world = std::make_shared<ScanWorld>();
        DocumentWindow window(
            new ViewController(world->factory(), std::make_shared<ScriptedPanels>()));
        ViewController* view = window.contentViewController();
        window.show();
        QApplication::setActiveWindow(&window);
        auto* report = control<QPlainTextEdit>(view, "outputTextbox");
        view->showOutputText(QStringLiteral("one alias\ntwo\nthree alias\n"));
        report->setFocus();
        auto* bar = view->findChild<FindBar*>();
        QVERIFY(bar && bar->isHidden());

        QTest::keyClick(report, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QCOMPARE(focused(), bar->field());
        QTest::keyClicks(bar->field(), QStringLiteral("alias"));
        const auto at = [&] { return report->textCursor().selectionStart(); };
        QTest::keyClick(bar->field(), Qt::Key_Return);
        QCOMPARE(report->textCursor().selectedText(), QStringLiteral("alias"));
        QCOMPARE(at(), 4);
        QTest::keyClick(bar->field(), Qt::Key_F3);
        QCOMPARE(at(), 20);
        QTest::keyClick(bar->field(), Qt::Key_F3); // round the end
        QCOMPARE(at(), 4);
        QTest::keyClick(bar->field(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(at(), 20);
        QTest::keyClick(bar->field(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(at(), 4);
        QVERIFY(bar->countText().isEmpty());
        QTest::keyClicks(bar->field(), QStringLiteral("zzz"));
        QTest::keyClick(bar->field(), Qt::Key_Return);
        QCOMPARE(bar->countText(), QStringLiteral("Not found"));
        QCOMPARE(at(), 4); // the place stays

        QTest::keyClick(bar->field(), Qt::Key_Escape); // the bar, not the window, nor a scan
        QVERIFY(bar->isHidden() && window.isVisible());
        QCOMPARE(focused(), report);
        QTest::keyClick(report, Qt::Key_F3); // F3 with the bar closed opens it
        QVERIFY(bar->isVisible());
    }
};

[[maybe_unused]] const bool registered = registerTestObject<KeyboardOnlyTest>();

#include "KeyboardOnlyTest.moc"
