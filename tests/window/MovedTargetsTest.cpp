// The Find Moved Targets dialog on a real temporary tree: the rows and their check boxes, a
// tie left off, a mapping added to the stored list (and seen by Preferences), the keys and the
// confirmation of Relink N Checked, the summary after it, and Undo Relink.
#include "DocumentWindow.h"
#include "MovedTargetsController.h"
#include "MovedTargetsDialog.h"
#include "PathMappingStore.h"
#include "PreferencesDialog.h"
#include "TempTree.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <filesystem>

using namespace korvex;
using namespace korvex::test;

namespace {

struct Tree {
    TempTree tree;
    std::string folder = tree.path("scan");
    Tree() {
        alias("a", "/Volumes/Archive/P/a.pdf", "/Volumes/Archive", "Archive");
        alias("b", "/Volumes/Archive/Q/b.pdf", "/Volumes/Archive", "Archive");
        tree.file("scan/vol/P/a.pdf");
        tree.file("scan/vol/Q/b.pdf");
        alias("c", folder + "/old/c.txt");
        tree.file("scan/new/c.txt");
        alias("e", folder + "/e.txt");
        tree.file("scan/x/e.txt");
        tree.file("scan/y/e.txt");
    }
    void alias(const std::string& name, const std::string& stored, const std::string& volume = "/",
               const std::string& volumeName = "Macintosh HD") {
        tree.file("scan/aliases/" + name + " alias", test::aliasBytes(stored, volume, volumeName));
    }
    std::string aliasPath(const std::string& name) const {
        return folder + "/aliases/" + name + " alias";
    }
};

int rowOf(MovedTargetsModel* model, const std::string& path) {
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data().toString().toStdString() == path) {
            return row;
        }
    }
    return -1;
}

/// Presses Relink N Checked and answers the confirmation with its Relink button.
void relinkConfirmed(MovedTargetsDialog* dialog) {
    QTest::mouseClick(dialog->relinkButton, Qt::LeftButton);
    QVERIFY(dialog->confirmation && dialog->confirmation->isVisible());
    for (QAbstractButton* button : dialog->confirmation->buttons()) {
        if (button->text() == QStringLiteral("&Relink")) {
            QTest::mouseClick(button, Qt::LeftButton);
            return;
        }
    }
    QFAIL("no Relink button in the confirmation");
}

/// Scans `folder` in `view` and opens Find Moved Targets.
MovedTargetsController* movedTargetsOf(ViewController& view) {
    return view.findChild<MovedTargetsController*>();
}

MovedTargetsDialog* openDialog(ViewController& view, const std::string& folder) {
    QSignalSpy answered(&view, &ViewController::scanAnswered);
    view.startScan(fileUrlWithPath(folder, true));
    if (!answered.wait(10000)) {
        return nullptr;
    }
    QSignalSpy shown(movedTargetsOf(view), &MovedTargetsController::dialogShown);
    movedTargetsOf(view)->findMovedTargets();
    return shown.wait(10000) ? movedTargetsOf(view)->dialog() : nullptr;
}

QString text(const std::string& path) {
    return QString::fromStdString(path);
}

} // namespace

class MovedTargetsTest : public QObject {
    Q_OBJECT
private slots:
    void init() { startWithNothingStored(); }

    void findsSuggestsAndRelinks() {
        Tree t;
        ViewController view(diskPlatforms(), std::make_shared<ScriptedPanels>());
        view.show();
        QSignalSpy answered(&view, &ViewController::scanAnswered);
        auto* controller = view.findChild<MovedTargetsController*>();
        QVERIFY(!controller->findButton->isEnabled()); // nothing scanned yet

        view.startScan(fileUrlWithPath(t.folder, true));
        QVERIFY(answered.wait(10000));
        QVERIFY(view.outputString().contains(QStringLiteral("Found 4 broken Aliases")));
        QVERIFY(controller->findButton->isEnabled());

        QSignalSpy shown(controller, &MovedTargetsController::dialogShown);
        QTest::mouseClick(controller->findButton, Qt::LeftButton);
        QVERIFY(!controller->findButton->isEnabled()); // while the pool searches
        QVERIFY(shown.wait(10000));
        MovedTargetsDialog* dialog = controller->dialog();
        QVERIFY(dialog && dialog->isVisible());
        MovedTargetsModel* model = dialog->model();
        QCOMPARE(model->rowCount(), 4);

        // The sure one is on; the tie and those only a mapping can fix are off.
        const struct {
            const char* name;
            Qt::CheckState state;
            int candidates;
        } rows[] = {{"a", Qt::Unchecked, 1},
                    {"b", Qt::Unchecked, 1},
                    {"c", Qt::Checked, 1},
                    {"e", Qt::Unchecked, 2}};
        for (const auto& row : rows) {
            const int r = rowOf(model, t.aliasPath(row.name));
            QVERIFY2(r >= 0, row.name);
            QCOMPARE(model->index(r, 0).data(Qt::CheckStateRole).toInt(), int(row.state));
            QCOMPARE(
                model->index(r, 0).data(MovedTargetsModel::candidatesRole).toStringList().size(),
                row.candidates);
        }
        // A mapping-only row can't be switched on.
        const int a = rowOf(model, t.aliasPath("a"));
        QVERIFY(!model->setData(model->index(a, 0), Qt::Checked, Qt::CheckStateRole) ||
                model->index(a, 0).data(Qt::CheckStateRole).toInt() == Qt::Unchecked);
        // Picking the tie's second candidate by hand switches its row on.
        const int e = rowOf(model, t.aliasPath("e"));
        QVERIFY(model->setData(model->index(e, MovedTargetsModel::targetColumn), 1, Qt::EditRole));
        QCOMPARE(model->index(e, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

        // Preferences is open, with an edit not stored yet, while Add Mapping stores another
        // mapping: Preferences shows it at once, and its OK keeps both.
        PreferencesDialog preferences(PathMappingStore(), std::make_shared<ScriptedPanels>());
        preferences.show();
        QTest::mouseClick(preferences.addButton, Qt::LeftButton);
        preferences.mappingTable->item(0, 0)->setText(QStringLiteral("/Volumes/Typed"));
        preferences.mappingTable->item(0, 1)->setText(QStringLiteral("/mnt/typed"));

        QCOMPARE(dialog->mappingList->count(), 1);
        QTest::mouseClick(dialog->addMappingButton, Qt::LeftButton);
        const PathMapping added{"/Volumes/Archive", t.folder + "/vol"};
        QCOMPARE(PathMappingStore().load().mappings, std::vector<PathMapping>{added});
        QVERIFY(!dialog->addMappingButton->isEnabled());
        QCOMPARE(preferences.tableMappings(),
                 (std::vector<PathMapping>{{"/Volumes/Typed", "/mnt/typed"}, added}));
        QTest::mouseClick(preferences.buttonBox->button(QDialogButtonBox::Ok), Qt::LeftButton);
        QCOMPARE(PathMappingStore().load().mappings,
                 (std::vector<PathMapping>{{"/Volumes/Typed", "/mnt/typed"}, added}));
        std::string ignored;
        PathMappingStore().save({added}, ignored);

        QPointer<MovedTargetsDialog> open(dialog);
        answered.clear();
        relinkConfirmed(dialog);
        QVERIFY(answered.wait(10000)); // the window scans again by itself
        QVERIFY(!open || !open->isVisible());
        QCOMPARE(infoOf(readBytes(t.aliasPath("c"))).targetPath(), t.folder + "/new/c.txt");
        QCOMPARE(infoOf(readBytes(t.aliasPath("e"))).targetPath(), t.folder + "/y/e.txt");
        // a and b resolve through the mapping added.
        QVERIFY(view.outputString().contains(QStringLiteral("Found 0 broken Aliases")));
        const QString relinked = QStringLiteral("\n\nRelinked 2 aliases.\n%1 -> %2\n%3 -> %4\n"
                                                "Edit > Undo Relink (Ctrl+Z) puts these "
                                                "aliases back.\n")
                                     .arg(QString::fromStdString(t.aliasPath("c")),
                                          QString::fromStdString(t.folder + "/new/c.txt"),
                                          QString::fromStdString(t.aliasPath("e")),
                                          QString::fromStdString(t.folder + "/y/e.txt"));
        QVERIFY2(view.outputString().endsWith(relinked), qPrintable(view.outputString()));
    }

    // A relink that fails is named below the new report, with its reason, and the status line
    // points there.
    void aRelinkThatFailsIsShown() {
        Tree t;
        ViewController view(diskPlatforms(), std::make_shared<ScriptedPanels>());
        view.show();
        QSignalSpy answered(&view, &ViewController::scanAnswered);
        view.startScan(fileUrlWithPath(t.folder, true));
        QVERIFY(answered.wait(10000));
        auto* controller = view.findChild<MovedTargetsController*>();
        QSignalSpy shown(controller, &MovedTargetsController::dialogShown);
        QTest::mouseClick(controller->findButton, Qt::LeftButton);
        QVERIFY(shown.wait(10000));
        MovedTargetsDialog* dialog = controller->dialog();
        const int c = rowOf(dialog->model(), t.aliasPath("c"));
        QCOMPARE(dialog->model()->index(c, 0).data(Qt::CheckStateRole).toInt(), int(Qt::Checked));

        // Someone changes the alias while the dialog is open: the relink leaves it alone.
        const test::Bytes changed = test::aliasBytes(t.folder + "/elsewhere.txt");
        t.tree.file("scan/aliases/c alias", changed);
        answered.clear();
        relinkConfirmed(dialog);
        QVERIFY(answered.wait(10000));
        QCOMPARE(readBytes(t.aliasPath("c")), changed);
        const QString failed =
            QStringLiteral("\n\nRelinked 0 aliases.\nCouldn't relink %1: it changed since it "
                           "was read\n")
                .arg(QString::fromStdString(t.aliasPath("c")));
        QVERIFY2(view.outputString().endsWith(failed), qPrintable(view.outputString()));
        QVERIFY2(control<QLabel>(&view, "statusLine")
                     ->text()
                     .contains(QStringLiteral("couldn't be relinked")),
                 qPrintable(control<QLabel>(&view, "statusLine")->text()));
    }

    // Return never relinks, Tab leaves the table, every button has a mnemonic, rows that can't
    // be relinked have no check box and say why, and the action is there only when a finished
    // scan found broken aliases.
    void dialogKeysAndConfirmation() {
        Tree t;
        t.alias("d", t.folder + "/gone/d.txt"); // no candidate at all
        const test::Bytes before = readBytes(t.aliasPath("c"));
        DocumentWindow window(
            new ViewController(diskPlatforms(), std::make_shared<ScriptedPanels>()));
        ViewController& view = *window.contentViewController();
        window.show();
        MovedTargetsController* controller = movedTargetsOf(view);
        QVERIFY(!controller->findAction->isEnabled()); // a fresh window
        QVERIFY(!controller->undoAction->isEnabled());

        QSignalSpy answered(&view, &ViewController::scanAnswered);
        view.startScan(fileUrlWithPath(t.folder, true));
        QVERIFY(!controller->findAction->isEnabled()); // while it scans
        QVERIFY(answered.wait(10000));
        QVERIFY(controller->findAction->isEnabled());
        view.rescan();
        QVERIFY(!controller->findAction->isEnabled() && !controller->findButton->isEnabled());
        QVERIFY(answered.wait(10000));

        QSignalSpy shown(controller, &MovedTargetsController::dialogShown);
        controller->findAction->trigger();
        QVERIFY(shown.wait(10000));
        MovedTargetsDialog* dialog = controller->dialog();
        MovedTargetsModel* model = dialog->model();
        const int d = rowOf(model, t.aliasPath("d"));
        const int e = rowOf(model, t.aliasPath("e"));
        const int a = rowOf(model, t.aliasPath("a"));
        QVERIFY(!model->index(d, 0).data(Qt::CheckStateRole).isValid()); // no box
        QVERIFY(!model->index(a, 0).data(Qt::CheckStateRole).isValid()); // a mapping only
        QVERIFY(model->index(e, 0).data(Qt::CheckStateRole).isValid());
        auto note = [&](int row) {
            return model->index(row, MovedTargetsModel::noteColumn).data().toString();
        };
        QVERIFY2(note(d).contains(QStringLiteral("No entry")), qPrintable(note(d)));
        QVERIFY2(note(e).contains(QStringLiteral("tie")), qPrintable(note(e)));
        QVERIFY2(note(a).contains(QStringLiteral("mapping")), qPrintable(note(a)));

        QCOMPARE(dialog->relinkButton->text(), QStringLiteral("&Relink 1 Checked"));
        for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
            QVERIFY2(button->text().contains(QLatin1Char('&')), qPrintable(button->text()));
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->text()));
        }

        // Return on a selected row presses nothing.
        QApplication::setActiveWindow(dialog);
        dialog->table->setFocus();
        dialog->table->selectRow(rowOf(model, t.aliasPath("c")));
        QTest::keyClick(dialog->table, Qt::Key_Return);
        QTest::keyClick(dialog, Qt::Key_Enter);
        QVERIFY(!dialog->confirmation && dialog->isVisible());
        QCOMPARE(readBytes(t.aliasPath("c")), before);

        // Tab leaves the table, Shift+Tab comes back.
        QTest::keyClick(dialog->table, Qt::Key_Tab);
        QWidget* next = QApplication::focusWidget();
        QVERIFY(next && next != dialog->table);
        QTest::keyClick(next, Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(dialog->table));

        // The confirmation names the count and the undo; its Return is Cancel.
        QTest::mouseClick(dialog->relinkButton, Qt::LeftButton);
        QPointer<QMessageBox> box = dialog->confirmation;
        QVERIFY(box && box->isVisible());
        QVERIFY2(box->text().contains(QStringLiteral("Relink 1 ")), qPrintable(box->text()));
        QVERIFY2(box->informativeText().contains(QStringLiteral("Undo Relink")),
                 qPrintable(box->informativeText()));
        QVERIFY(!dialog->relinkButton->isEnabled()); // one question at a time
        QTest::keyClick(box, Qt::Key_Return);
        QTRY_VERIFY(!box);
        QVERIFY(dialog->isVisible() && dialog->relinkButton->isEnabled());
        QTest::qWait(50);
        QCOMPARE(readBytes(t.aliasPath("c")), before);
        dialog->close();
    }

    // No candidate anywhere: the dialog says so instead of showing empty lists.
    void anEmptyResultSaysSo() {
        TempTree tree;
        const std::string folder = tree.path("scan");
        tree.file("scan/lost alias", test::aliasBytes(folder + "/nowhere/lost.txt"));
        ViewController view(diskPlatforms(), std::make_shared<ScriptedPanels>());
        view.show();
        MovedTargetsDialog* dialog = openDialog(view, folder);
        QVERIFY(dialog);
        QVERIFY2(dialog->statusLabel->text().startsWith(QStringLiteral("No new target")),
                 qPrintable(dialog->statusLabel->text()));
        QVERIFY(dialog->mappingList->isHidden());
        QVERIFY(!dialog->relinkButton->isEnabled());
        dialog->close();
    }

    // After a relink: what went where, the broken-alias sidecars it made untrue removed (only
    // ours), the scan after it only reading, and Undo Relink putting just that relink back.
    void summaryUndoAndSidecars() {
        Tree t;
        DocumentWindow window(
            new ViewController(diskPlatforms(), std::make_shared<ScriptedPanels>()));
        ViewController& view = *window.contentViewController();
        window.show();
        control<QCheckBox>(&view, "markCheckbox")->setCheckState(Qt::Checked);
        MovedTargetsDialog* dialog = openDialog(view, t.folder);
        QVERIFY(dialog);
        const std::string noteC = t.aliasPath("c") + "-korvex-broken.text";
        const std::string noteE = t.aliasPath("e") + "-korvex-broken.text";
        const std::string noteA = t.aliasPath("a") + "-korvex-broken.text";
        QVERIFY(std::filesystem::exists(noteC) && std::filesystem::exists(noteA));
        t.tree.file("scan/aliases/e alias-korvex-broken.text", "my own words\n");
        std::filesystem::remove(noteA); // a marking scan would write it again
        const test::Bytes beforeC = readBytes(t.aliasPath("c"));
        const test::Bytes beforeE = readBytes(t.aliasPath("e"));

        MovedTargetsModel* model = dialog->model();
        const int e = rowOf(model, t.aliasPath("e"));
        QVERIFY(model->setData(model->index(e, MovedTargetsModel::targetColumn), 1, Qt::EditRole));
        QSignalSpy answered(&view, &ViewController::scanAnswered);
        relinkConfirmed(dialog);
        QVERIFY(answered.wait(10000));
        QCOMPARE(infoOf(readBytes(t.aliasPath("c"))).targetPath(), t.folder + "/new/c.txt");
        QVERIFY(!std::filesystem::exists(noteC));
        QCOMPARE(readAll(noteE), std::string("my own words\n"));
        QVERIFY(!std::filesystem::exists(noteA)); // the scan after the relink wrote nothing
        const QString summary =
            QStringLiteral("\n\nRelinked 2 aliases.\n%1 -> %2\n%3 -> %4\nRemoved %5\n"
                           "Kept %6: it isn't the one a scan wrote\n"
                           "Edit > Undo Relink (Ctrl+Z) puts these aliases back.\n")
                .arg(text(t.aliasPath("c")), text(t.folder + "/new/c.txt"), text(t.aliasPath("e")),
                     text(t.folder + "/y/e.txt"), text(noteC), text(noteE));
        QVERIFY2(view.outputString().endsWith(summary), qPrintable(view.outputString()));

        // Ctrl+Z in the window (from the report, as after reading the summary).
        MovedTargetsController* controller = movedTargetsOf(view);
        QVERIFY(controller->undoAction->isEnabled());
        QVERIFY(window.findChildren<QAction*>().contains(controller->undoAction) ||
                controller->undoAction->associatedObjects().size() > 0);
        QCOMPARE(controller->undoAction->shortcut(), QKeySequence(QKeySequence::Undo));
        QSignalSpy undone(controller, &MovedTargetsController::undoDone);
        QApplication::setActiveWindow(&window);
        control<QPlainTextEdit>(&view, "outputTextbox")->setFocus();
        QTest::keyClick(control<QPlainTextEdit>(&view, "outputTextbox"), Qt::Key_Z,
                        Qt::ControlModifier);
        QVERIFY(undone.wait(10000));
        QVERIFY(answered.wait(10000));
        QCOMPARE(readBytes(t.aliasPath("c")), beforeC);
        QCOMPARE(readBytes(t.aliasPath("e")), beforeE);
        QVERIFY(!std::filesystem::exists(noteA)); // this scan only read too
        const QString restored = QStringLiteral("\n\nRestored 2 aliases.\n%1\n%2\n")
                                     .arg(text(t.aliasPath("c")), text(t.aliasPath("e")));
        QVERIFY2(view.outputString().endsWith(restored), qPrintable(view.outputString()));
        QVERIFY(!controller->undoAction->isEnabled()); // that relink is undone
        control<QCheckBox>(&view, "markCheckbox")->setCheckState(Qt::Unchecked);
    }

    // Undo Relink puts back the window's last relink only: a relink made before it, in the same
    // folder, stays (korvex-scan --undo-relink is there for it).
    void undoTakesTheLastRelinkOnly() {
        Tree t;
        ViewController view(diskPlatforms(), std::make_shared<ScriptedPanels>());
        view.show();
        MovedTargetsDialog* dialog = openDialog(view, t.folder);
        QVERIFY(dialog);
        // First relink: c only (e's tie stays off).
        QSignalSpy answered(&view, &ViewController::scanAnswered);
        relinkConfirmed(dialog);
        QVERIFY(answered.wait(10000));
        const test::Bytes relinkedC = readBytes(t.aliasPath("c"));
        const test::Bytes beforeE = readBytes(t.aliasPath("e"));
        // Second relink: e, by hand.
        dialog = nullptr;
        QSignalSpy shown(movedTargetsOf(view), &MovedTargetsController::dialogShown);
        movedTargetsOf(view)->findMovedTargets();
        QVERIFY(shown.wait(10000));
        dialog = movedTargetsOf(view)->dialog();
        const int e = rowOf(dialog->model(), t.aliasPath("e"));
        QVERIFY(dialog->model()->setData(dialog->model()->index(e, MovedTargetsModel::targetColumn),
                                         0, Qt::EditRole));
        relinkConfirmed(dialog);
        QVERIFY(answered.wait(10000));
        QVERIFY(readBytes(t.aliasPath("e")) != beforeE);

        QSignalSpy undone(movedTargetsOf(view), &MovedTargetsController::undoDone);
        movedTargetsOf(view)->undoAction->trigger();
        QVERIFY(undone.wait(10000));
        QVERIFY(answered.wait(10000));
        QCOMPARE(readBytes(t.aliasPath("e")), beforeE);
        QCOMPARE(readBytes(t.aliasPath("c")), relinkedC);
    }
};

[[maybe_unused]] const bool registered = registerTestObject<MovedTargetsTest>();

#include "MovedTargetsTest.moc"
