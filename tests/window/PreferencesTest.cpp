// The Preferences window's table of path mappings, the Edit menu that opens it, and scans that
// resolve through what it stored.
#include "DocumentWindow.h"
#include "PathMappingStore.h"
#include "PreferencesDialog.h"
#include "ScanPlatformFactory.h"
#include "TempTree.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTest>

#include <sys/xattr.h>

using namespace korvex;
using namespace korvex::test;

namespace {

using Mappings = std::vector<PathMapping>;

const auto stored = [] { return PathMappingStore().load().mappings; };

void store(const Mappings& mappings) {
    std::string error;
    QVERIFY2(PathMappingStore().save(mappings, error), error.c_str());
}

struct Dialog {
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    PreferencesDialog dialog{PathMappingStore(), panels};
    QSignalSpy finished{&dialog, &QDialog::finished};

    Dialog() { dialog.show(); }
    QString cell(int row, int column) const {
        return dialog.mappingTable->item(row, column)->text();
    }
    void select(int row) { dialog.mappingTable->selectRow(row); }
    void type(int row, int column, const QString& text) {
        dialog.mappingTable->item(row, column)->setText(text);
    }
    void press(QDialogButtonBox::StandardButton which) {
        QTest::mouseClick(dialog.buttonBox->button(which), Qt::LeftButton);
    }
};

} // namespace

class PreferencesTest : public QObject {
    Q_OBJECT
private slots:
    void init() { store({}); }

    void tableRoundTrip() {
        // A local folder that is not UTF-8 can't be shown exactly; unedited, it is kept exactly.
        const Mappings before = {{"/Volumes/Archive", "/mnt/archive"},
                                 {"/Volumes/Caf\xC3\xA9\tTab", "/srv/latin1-\xE9"},
                                 {"/Users/anna/Shared", "/srv/share/anna"}};
        store(before);
        {
            Dialog d;
            QCOMPARE(d.dialog.mappingTable->rowCount(), 3);
            QCOMPARE(d.cell(1, 0), QStringLiteral("/Volumes/Caf\u00e9\tTab"));
            QVERIFY(!d.dialog.removeButton->isEnabled() && !d.dialog.browseButton->isEnabled());

            d.select(2);
            QTest::mouseClick(d.dialog.removeButton, Qt::LeftButton);
            QTest::mouseClick(d.dialog.addButton, Qt::LeftButton);
            d.type(2, 0, QStringLiteral("/Volumes/Photos/"));

            // Browse... for the new row; a row above it goes while the panel is open, and the
            // folder still lands in the row it was asked for.
            d.select(2);
            QTest::mouseClick(d.dialog.browseButton, Qt::LeftButton);
            QVERIFY(d.panels->openDone && d.panels->openRequest.canChooseDirectories);
            d.select(0);
            QTest::mouseClick(d.dialog.removeButton, Qt::LeftButton);
            ScriptedPanels::end(d.panels->openDone, panelOK, QStringLiteral("/srv/photos"));
            QCOMPARE(d.cell(1, 1), QStringLiteral("/srv/photos"));

            QTest::mouseClick(d.dialog.addButton, Qt::LeftButton); // left empty: ignored
            d.press(QDialogButtonBox::Ok);
            QCOMPARE(d.finished.count(), 1);
        }
        const Mappings after = {{"/Volumes/Caf\xC3\xA9\tTab", "/srv/latin1-\xE9"},
                                {"/Volumes/Photos", "/srv/photos"}};
        QCOMPARE(stored(), after);

        // Cancel stores nothing, and a panel answering after its window closed changes nothing.
        {
            Dialog d;
            d.type(0, 1, QStringLiteral("/elsewhere"));
            d.select(1);
            QTest::mouseClick(d.dialog.browseButton, Qt::LeftButton);
            d.press(QDialogButtonBox::Cancel);
            QCOMPARE(d.finished.count(), 1);
            ScriptedPanels::end(d.panels->openDone, panelOK, QStringLiteral("/late"));
        }
        QCOMPARE(stored(), after);
    }

    void unusableRowsAndDamagedFile() {
        store({{"/Volumes/Kept", "/mnt/kept"}});
        Dialog d;
        QTest::mouseClick(d.dialog.addButton, Qt::LeftButton);
        d.type(1, 0, QStringLiteral("/Volumes/Half"));
        d.press(QDialogButtonBox::Ok);
        // Refused, saying which row, and nothing lost: the window stays open with the table.
        QVERIFY(d.finished.isEmpty() && d.dialog.isVisible() && d.dialog.noteLabel->isVisible());
        QVERIFY(d.dialog.noteLabel->text().startsWith(QStringLiteral("Row 2")));
        QCOMPARE(stored(), (Mappings{{"/Volumes/Kept", "/mnt/kept"}}));
        d.type(1, 1, QStringLiteral("/mnt/half"));
        d.press(QDialogButtonBox::Ok);
        QCOMPARE(d.finished.count(), 1);
        QCOMPARE(stored(),
                 (Mappings{{"/Volumes/Kept", "/mnt/kept"}, {"/Volumes/Half", "/mnt/half"}}));

        // A damaged file opens with its good lines and says that the others will go.
        TempTree tree;
        const std::string file =
            tree.file("damaged.conf", "/Volumes/Good\t/mnt/good\ngarbage\n/Volumes/Bad\\x\t/mnt\n");
        PreferencesDialog damaged(PathMappingStore(file), std::make_shared<ScriptedPanels>());
        damaged.show();
        QCOMPARE(damaged.tableMappings(), (Mappings{{"/Volumes/Good", "/mnt/good"}}));
        QVERIFY(damaged.noteLabel->isVisible() &&
                damaged.noteLabel->text().startsWith(QStringLiteral("2 lines")));
    }

    void oneWindowFromTheEditMenu() {
        auto world = std::make_shared<ScanWorld>();
        DocumentWindow window(
            new ViewController(world->factory(), std::make_shared<ScriptedPanels>()));
        QAction* preferences = nullptr;
        for (QAction* action : window.menuBar()->actions().value(1)->menu()->actions()) {
            preferences =
                action->text() == QStringLiteral("&Preferences...") ? action : preferences;
        }
        QVERIFY(preferences);
        QCOMPARE(preferences->text(), QStringLiteral("&Preferences..."));
        QCOMPARE(preferences->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Comma));
        QSignalSpy requested(&window, &DocumentWindow::preferencesRequested);
        preferences->trigger();
        QCOMPARE(requested.count(), 1);

        store({{"/Volumes/Old", "/mnt/old"}});
        auto panels = std::make_shared<ScriptedPanels>();
        QPointer<PreferencesDialog> first = PreferencesDialog::showShared(panels);
        first->mappingTable->setRowCount(0); // an edit not yet stored survives a second request
        QCOMPARE(PreferencesDialog::showShared(panels), first.data());
        QCOMPARE(first->mappingTable->rowCount(), 0);
        first->reject(); // closing deletes it; the next request opens a fresh one
        QTRY_VERIFY(!first);
        store({{"/Volumes/New", "/mnt/new"}});
        PreferencesDialog* second = PreferencesDialog::showShared(panels);
        QCOMPARE(second->tableMappings(), (Mappings{{"/Volumes/New", "/mnt/new"}}));
        second->reject();
    }

    void scansUseTheStoredMappings() {
        // An alias to /Volumes/Archive/x, with its flag in FinderInfo, and x in a local folder.
        TempTree tree;
        const Bytes bytes = aliasBytes("/Volumes/Archive/x", "/Volumes/Archive", "Archive");
        const std::string alias =
            tree.file("scan/x alias", std::string(bytes.begin(), bytes.end()));
        const std::string finderInfo = std::string("alisMACS\x80") + std::string(23, '\0');
        QCOMPARE(::setxattr(alias.c_str(), "user.com.apple.FinderInfo", finderInfo.data(), 32, 0),
                 0);
        tree.file("archive/x", "the target");

        ViewController view(scanPlatformFactory(), std::make_shared<ScriptedPanels>());
        view.show();
        QSignalSpy answered(&view, &ViewController::scanAnswered);
        const auto scan = [&] {
            control<QLineEdit>(&view, "folderTextbox")
                ->setText(QString::fromStdString(tree.path("scan")));
            QTest::mouseClick(control<QPushButton>(&view, "scanButtonBut"), Qt::LeftButton);
            const int before = answered.count();
            return answered.wait(10000) || answered.count() > before ? view.outputString()
                                                                     : QString();
        };

        QVERIFY(scan().contains(QStringLiteral("Found 1 broken Aliases, and rewrote 0, out of 1")));
        // Stored while the window is open: counts from the next scan on.
        store({{"/Volumes/Archive/", tree.path("archive")}});
        QVERIFY(scan().contains(QStringLiteral("Found 0 broken Aliases, and rewrote 0, out of 1")));
        store({});
        QVERIFY(scan().contains(QStringLiteral("Found 1 broken Aliases")));
    }
};

[[maybe_unused]] const bool registered = registerTestObject<PreferencesTest>();

#include "PreferencesTest.moc"
