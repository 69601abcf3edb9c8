// Every window and dialog of the program as a screen reader and a keyboard user meet it: named
// controls, one mnemonic per letter, labels tied to their fields, check boxes a screen reader
// can report, and the order Tab goes through the main window.
#include "AccessibilityCheck.h"
#include "DocumentWindow.h"
#include "MovedTargetsController.h"
#include "MovedTargetsDialog.h"
#include "PathMappingStore.h"
#include "PreferencesDialog.h"
#include "QtFilePanels.h"
#include "TempTree.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace korvex;
using namespace korvex::test;

namespace {

#define CHECK_ACCESSIBLE(window)                                                                   \
    do {                                                                                           \
        const QStringList faults = accessibilityFaults(window);                                    \
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));                    \
    } while (false)

/// A folder with a broken alias whose target moved within it, and two a path mapping fixes.
struct MovedTree {
    TempTree tree;
    std::string folder = tree.path("scan");
    MovedTree() {
        tree.file("scan/aliases/c alias", test::aliasBytes(folder + "/old/c.txt"));
        tree.file("scan/new/c.txt");
        tree.file("scan/aliases/a alias",
                  test::aliasBytes("/Volumes/Archive/P/a.pdf", "/Volumes/Archive", "Archive"));
        tree.file("scan/vol/P/a.pdf");
        tree.file("scan/aliases/b alias",
                  test::aliasBytes("/Volumes/Archive/Q/b.pdf", "/Volumes/Archive", "Archive"));
        tree.file("scan/vol/Q/b.pdf");
    }
};

QString nameOf(QObject* object) {
    return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT
private slots:
    void init() { startWithNothingStored(); }

    // Idle, scanning, with its find bar, and its About box and file panels.
    void mainWindowAndItsPanels() {
        auto world = std::make_shared<ScanWorld>();
        auto panels = std::make_shared<QtFilePanels>();
        DocumentWindow window(new ViewController(world->factory(), panels));
        ViewController* view = window.contentViewController();
        window.show();
        QApplication::setActiveWindow(&window);
        CHECK_ACCESSIBLE(&window);

        // The field is named by its label, the report and the status line by their own names.
        auto* field = control<QLineEdit>(view, "folderTextbox");
        QCOMPARE(nameOf(field), QStringLiteral("Folder:"));
        QVERIFY(!nameOf(control<QPlainTextEdit>(view, "outputTextbox")).isEmpty());
        field->setText(QStringLiteral("/somewhere")); // the clear button shows
        CHECK_ACCESSIBLE(&window);

        // Scanning: Stop and the spinner show.
        world->holdAt = "/scan/here/b/fine.alias";
        world->setGate(false);
        field->setText(QStringLiteral("/scan/here"));
        QSignalSpy answered(view, &ViewController::scanAnswered);
        QTest::keyClick(field, Qt::Key_Return);
        QVERIFY(world->waitForHeld());
        CHECK_ACCESSIBLE(&window);
        world->setGate(true);
        QVERIFY(answered.wait(10000));

        // The find bar of the report.
        QTest::keyClick(field, Qt::Key_F, Qt::ControlModifier);
        CHECK_ACCESSIBLE(&window);

        view->browseForFolder();
        auto* open = window.findChild<QFileDialog*>();
        QVERIFY(open && open->isVisible());
        CHECK_ACCESSIBLE(open);
        open->reject();
        view->saveButton();
        auto* save = window.findChild<QFileDialog*>(QStringLiteral("korvexSavePanel"));
        QVERIFY(save && save->isVisible());
        CHECK_ACCESSIBLE(save);
        save->reject();

        QStringList aboutFaults = {QStringLiteral("no About box")};
        QTimer::singleShot(0, [&aboutFaults] {
            if (auto* about = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                aboutFaults = accessibilityFaults(about);
                about->accept();
            }
        });
        for (QAction* action : window.findChildren<QAction*>()) {
            if (action->text() == QStringLiteral("&About Korvex")) {
                action->trigger(); // the About box waits for its answer
            }
        }
        QVERIFY2(aboutFaults.isEmpty(), qPrintable(aboutFaults.join(QLatin1Char('\n'))));
    }

    void tabGoesInTheOrderOfTheWindow() {
        auto world = std::make_shared<ScanWorld>();
        DocumentWindow window(
            new ViewController(world->factory(), std::make_shared<ScriptedPanels>()));
        ViewController* view = window.contentViewController();
        window.show();
        QSignalSpy answered(view, &ViewController::scanAnswered);
        view->startScan(fileUrlWithPath(world->folder, true));
        QVERIFY(answered.wait(10000)); // Find Moved Targets is on
        const QStringList wanted = {"folderTextbox",          "browseButton", "scanButtonBut",
                                    "flushCheckbox",          "markCheckbox", "rewriteCheckbox",
                                    "findMovedTargetsButton", "outputTextbox"};
        QApplication::setActiveWindow(&window);
        auto* field = control<QLineEdit>(view, "folderTextbox");
        field->setFocus();
        QStringList order = {field->objectName()};
        while (order.size() < wanted.size()) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, wanted);
    }

    void preferences() {
        std::string ignored;
        PathMappingStore().save({{"/Volumes/Archive", "/mnt/archive"}}, ignored);
        PreferencesDialog dialog(PathMappingStore(), std::make_shared<ScriptedPanels>());
        dialog.show();
        dialog.mappingTable->selectRow(0);
        CHECK_ACCESSIBLE(&dialog);
    }

    // The dialog, its tickable rows as a screen reader sees them, and the confirmation.
    void findMovedTargets() {
        MovedTree t;
        DocumentWindow window(
            new ViewController(diskPlatforms(), std::make_shared<ScriptedPanels>()));
        ViewController* view = window.contentViewController();
        window.show();
        QSignalSpy answered(view, &ViewController::scanAnswered);
        view->startScan(fileUrlWithPath(t.folder, true));
        QVERIFY(answered.wait(10000));
        auto* controller = view->findChild<MovedTargetsController*>();
        QSignalSpy shown(controller, &MovedTargetsController::dialogShown);
        controller->findMovedTargets();
        QVERIFY(shown.wait(10000));
        MovedTargetsDialog* dialog = controller->dialog();
        QVERIFY(dialog->mappingList->isVisibleTo(dialog));
        CHECK_ACCESSIBLE(dialog);

        // Each row's first cell is a check box the reader announces, ticked or not, and only
        // rows that can be relinked have one.
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(dialog->table);
        QVERIFY(table && table->tableInterface());
        int checkable = 0, checked = 0;
        for (int row = 0; row < dialog->model()->rowCount(); ++row) {
            QAccessibleInterface* cell = table->tableInterface()->cellAt(row, 0);
            QVERIFY(cell);
            const QAccessible::State state = cell->state();
            const bool canTick =
                dialog->model()->flags(dialog->model()->index(row, 0)) & Qt::ItemIsUserCheckable;
            QCOMPARE(bool(state.checkable), canTick);
            // Said in words too: not every screen reader is told that a cell can be ticked.
            QVERIFY2(cell->text(QAccessible::Description)
                         .contains(canTick ? QStringLiteral("Space") : QStringLiteral("Can't")),
                     qPrintable(cell->text(QAccessible::Description)));
            checkable += state.checkable;
            checked += state.checked;
        }
        QCOMPARE(checkable, 1);
        QCOMPARE(checked, 1);

        QTest::mouseClick(dialog->relinkButton, Qt::LeftButton);
        QVERIFY(dialog->confirmation);
        CHECK_ACCESSIBLE(dialog->confirmation.data());
        dialog->confirmation->reject();
        QTRY_VERIFY(!dialog->confirmation);
        dialog->close();
    }

    // The check itself: it finds a control without a name and a mnemonic twice in a window.
    void theCheckFindsFaults() {
        QWidget window;
        auto* field = new QLineEdit(&window);
        auto* first = new QPushButton(QStringLiteral("&Open"), &window);
        auto* second = new QCheckBox(QStringLiteral("&Only this"), &window);
        auto* plain = new QPushButton(QStringLiteral("Plain"), &window);
        window.show();
        const QStringList faults = accessibilityFaults(&window);
        QCOMPARE(faults.size(), 3);
        QVERIFY2(faults.filter(QStringLiteral("no accessible name: QLineEdit")).size() == 1,
                 qPrintable(faults.join('\n')));
        QVERIFY2(faults.filter(QStringLiteral("Alt+o")).size() == 1, qPrintable(faults.join('\n')));
        QVERIFY2(faults.filter(QStringLiteral("no mnemonic")).size() == 1,
                 qPrintable(faults.join('\n')));
        field->setAccessibleName(QStringLiteral("Name"));
        second->setText(QStringLiteral("Only &this"));
        plain->setText(QStringLiteral("&Plain"));
        QVERIFY(accessibilityFaults(&window).isEmpty());
        QCOMPARE(mnemonicOf(QStringLiteral("Fish && &Chips")), QLatin1Char('c'));
        QVERIFY(mnemonicOf(QStringLiteral("Fish && Chips")).isNull());
        Q_UNUSED(first);
    }
};

[[maybe_unused]] const bool registered = registerTestObject<AccessibilityTest>();

#include "AccessibilityTest.moc"
