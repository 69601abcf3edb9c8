// The Find Moved Targets dialog on a real temporary tree: the rows and their check boxes, a
// tie left off, a mapping added to the stored list, and Relink Selected followed by a new scan.
#include "MovedTargetsController.h"
#include "MovedTargetsDialog.h"
#include "PathMappingStore.h"
#include "TestSupport.h"
#include "ViewController.h"
#include "linux/PosixAliasPlatform.h"
#include "linux/TempTree.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace korvex;
using namespace korvex::test;

namespace {

PlatformFactory diskPlatforms() {
    return [](std::vector<PathMapping> mappings) {
        return std::make_unique<PosixAliasPlatform>(std::move(mappings));
    };
}

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

} // namespace

class MovedTargetsTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        clearSettings();
        static QTemporaryDir data;
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        std::string ignored;
        PathMappingStore().save({}, ignored);
    }

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

        QCOMPARE(dialog->mappingList->count(), 1);
        QTest::mouseClick(dialog->addMappingButton, Qt::LeftButton);
        QCOMPARE(PathMappingStore().load().mappings,
                 (std::vector<PathMapping>{{"/Volumes/Archive", t.folder + "/vol"}}));
        QVERIFY(!dialog->addMappingButton->isEnabled());

        QPointer<MovedTargetsDialog> open(dialog);
        answered.clear();
        QTest::mouseClick(dialog->relinkButton, Qt::LeftButton);
        QVERIFY(answered.wait(10000)); // the window scans again by itself
        QVERIFY(!open || !open->isVisible());
        QCOMPARE(infoOf(readBytes(t.aliasPath("c"))).targetPath(), t.folder + "/new/c.txt");
        QCOMPARE(infoOf(readBytes(t.aliasPath("e"))).targetPath(), t.folder + "/y/e.txt");
        // a and b resolve through the mapping added.
        QVERIFY(view.outputString().contains(QStringLiteral("Found 0 broken Aliases")));
        const QString relinked = QStringLiteral("\n\nRelinked 2 aliases.\n%1 -> %2\n%3 -> %4\n")
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
        QTest::mouseClick(dialog->relinkButton, Qt::LeftButton);
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
};

[[maybe_unused]] const bool registered = registerTestObject<MovedTargetsTest>();

#include "MovedTargetsTest.moc"
