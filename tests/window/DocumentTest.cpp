// Documents and their windows: the refused data operations, one independent window per
// document, and windows that close while their scan runs.
#include "Document.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "Storyboard.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <thread>

using namespace korvex;
using namespace korvex::test;

namespace {

std::shared_ptr<ScanWorld> world;
const std::string sidecar = "text /scan/here/a/broken.alias-korvex-broken.text";

ViewController* content(Document* document) {
    return document->windowControllers().value(0)->contentViewController();
}

void startMarkingScan(ViewController* view) {
    control<QCheckBox>(view, "markCheckbox")->setCheckState(Qt::Checked);
    world->setGate(false);
    control<QLineEdit>(view, "folderTextbox")->setText(QStringLiteral("/scan/here"));
    QTest::mouseClick(control<QPushButton>(view, "scanButtonBut"), Qt::LeftButton);
}

} // namespace

class DocumentTest : public QObject {
    Q_OBJECT
private slots:
    void init() {
        clearSettings();
        world = std::make_shared<ScanWorld>();
        Storyboard::storyboardWithName(QStringLiteral("Main"))
            .setController(documentWindowControllerIdentifier, []() -> QWidget* {
                return new DocumentWindow(
                    new ViewController(world->factory(), std::make_shared<ScriptedPanels>()));
            });
    }

    void dataOperationsFail() {
        Document document;
        QVERIFY(!Document::autosavesInPlace());
        DocumentError written, read;
        QVERIFY(!document.dataOfType(QStringLiteral("public.plain-text"), &written));
        QVERIFY(!document.readFromData(QByteArray("anything"), QStringLiteral("x"), &read));
        for (const DocumentError& error : {written, read}) {
            QCOMPARE(error.domain, QStringLiteral("NSOSStatusErrorDomain"));
            QCOMPARE(error.code, -4);
        }
        QVERIFY(!document.readFromData(QByteArray(), QString(), nullptr));
    }

    void windowsAreIndependent() {
        DocumentController documents;
        ViewController* a = content(documents.newDocument());
        ViewController* b = content(documents.newDocument());
        QVERIFY(a && b && a != b && a->window() != b->window() && a->window()->isVisible() &&
                b->window()->isVisible());

        a->incFontSize();
        QCOMPARE(b->fontSize(), 12.0);

        startMarkingScan(a); // a scan in one window leaves the other idle
        QVERIFY(a->isScanning() && !b->isScanning() &&
                control<QPushButton>(b, "scanButtonBut")->isEnabled());
        QCOMPARE(b->outputString(), QString());
        QCOMPARE(b->window()->windowTitle(), QStringLiteral("Korvex"));
        QSignalSpy answered(a, &ViewController::scanAnswered);
        world->setGate(true);
        QVERIFY(answered.wait(10000));
        QCOMPARE(b->outputString(), QString());
    }

    void aNewWindowTakesTheOptionsOfItsWindow() {
        DocumentController documents;
        ViewController* a = content(documents.newDocument());
        ViewController* b = content(documents.newDocument());
        for (const char* box : {"markCheckbox", "rewriteCheckbox"}) {
            control<QCheckBox>(a, box)->setCheckState(Qt::Checked);
            // Changed last in b: the stored options are off.
            control<QCheckBox>(b, box)->setCheckState(Qt::Checked);
            control<QCheckBox>(b, box)->setCheckState(Qt::Unchecked);
        }
        for (auto [from, on] : {std::pair{a, true}, std::pair{b, false}}) {
            QAction* newWindow = nullptr;
            for (QAction* action : from->window()->findChildren<QAction*>()) {
                newWindow = action->shortcut() == QKeySequence::New ? action : newWindow;
            }
            QVERIFY(newWindow);
            newWindow->trigger();
            ViewController* made = content(documents.documents().back().get());
            QVERIFY(made != a && made != b);
            for (const char* box : {"markCheckbox", "rewriteCheckbox"}) {
                QCOMPARE(control<QCheckBox>(made, box)->checkState(),
                         on ? Qt::Checked : Qt::Unchecked);
            }
        }
    }

    void windowClosedMidScan() {
        // Closing stops the scan: it ends without examining anything more.
        DocumentController documents;
        Document* document = documents.newDocument();
        startMarkingScan(content(document));
        QSignalSpy closed(&documents, &DocumentController::documentClosed);
        QVERIFY(document->windowControllers().value(0)->close());
        QVERIFY(!closed.wait(200)); // kept, hidden, while its scan runs
        world->setGate(true);
        QVERIFY(closed.wait(10000)); // freed once the answer came
        QVERIFY(documents.documents().empty());
        QVERIFY(world->get(&ScanWorld::examined).empty());
        QVERIFY(world->get(&ScanWorld::written).empty());
    }

    void controllerFreedMidScan() {
        // Held at the second entry, after the first one's sidecar: freeing the controller
        // stops the scan, which finishes the entry at hand and starts no other.
        world->holdAt = "/scan/here/b/fine.alias";
        auto view =
            std::make_unique<ViewController>(world->factory(), std::make_shared<ScriptedPanels>());
        view->show();
        startMarkingScan(view.get());
        QVERIFY(world->waitForHeld());
        std::thread opener([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            world->setGate(true);
        });
        view.reset(); // stops the scan and waits for it
        opener.join();
        QCOMPARE(world->get(&ScanWorld::examined),
                 (std::vector<std::string>{"/scan/here/a/broken.alias", world->holdAt}));
        QCOMPARE(world->get(&ScanWorld::written), std::set<std::string>{sidecar});
        QTest::qWait(50); // the answer, posted meanwhile, finds no controller
    }
};

[[maybe_unused]] const bool registered = registerTestObject<DocumentTest>();

#include "DocumentTest.moc"
