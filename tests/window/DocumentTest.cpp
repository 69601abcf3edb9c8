// Documents and their windows: the refused data operations, one independent window per
// document, and windows that close while their scan runs.
#include "ScanControlTest.h"

#include "Document.h"
#include "DocumentController.h"
#include "DocumentWindow.h"
#include "Storyboard.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

using namespace korvex;
using namespace korvex::test;

namespace {

std::shared_ptr<ScanWorld> world;
std::shared_ptr<ScriptedPanels> panels;

ViewController* content(Document* document) {
    return document->windowControllers().value(0)->contentViewController();
}

const std::string sidecar = "/scan/here/a/broken.alias-korvex-broken.text";

} // namespace

void DocumentTest::initTestCase() {
    Storyboard::storyboardWithName(QStringLiteral("Main"))
        .setController(documentWindowControllerIdentifier, []() -> QWidget* {
            return new DocumentWindow(new ViewController(world->factory(), panels));
        });
}

void DocumentTest::init() {
    clearSettings();
    world = std::make_shared<ScanWorld>();
    panels = std::make_shared<ScriptedPanels>();
}

void DocumentTest::dataOperationsFail() {
    Document document;
    QVERIFY(!Document::autosavesInPlace());
    DocumentError error;
    QVERIFY(!document.dataOfType(QStringLiteral("public.plain-text"), &error));
    QCOMPARE(error.domain, QStringLiteral("NSOSStatusErrorDomain"));
    QCOMPARE(error.code, -4);
    error = {};
    QVERIFY(!document.readFromData(QByteArray("anything"), QStringLiteral("x"), &error));
    QCOMPARE(error.domain, QStringLiteral("NSOSStatusErrorDomain"));
    QCOMPARE(error.code, -4);
    // Callers that pass no error place get the failure all the same.
    QVERIFY(!document.dataOfType(QString(), nullptr));
    QVERIFY(!document.readFromData(QByteArray(), QString(), nullptr));
}

void DocumentTest::documentsMakeTheirWindowFromTheStoryboard() {
    Document document;
    document.makeWindowControllers();
    QCOMPARE(document.windowControllers().size(), 1);
    QVERIFY(content(&document));
    QVERIFY(!Storyboard::storyboardWithName(QStringLiteral("Main"))
                 .instantiateControllerWithIdentifier(QStringLiteral("No Such Controller")));
}

void DocumentTest::windowsAreIndependent() {
    DocumentController documents;
    Document* first = documents.newDocument();
    Document* second = documents.newDocument();
    QVERIFY(first && second && first != second);
    ViewController* a = content(first);
    ViewController* b = content(second);
    QVERIFY(a != b);
    QVERIFY(a->window()->isVisible() && b->window()->isVisible());
    QCOMPARE(a->window()->windowTitle(), QStringLiteral("Korvex"));

    a->incFontSize();
    a->showOutputText(QStringLiteral("first window"));
    a->homeDir = QUrl::fromLocalFile(QStringLiteral("/elsewhere"));
    QCOMPARE(a->theFontSize, 13.0);
    QCOMPARE(b->theFontSize, 12.0);
    QCOMPARE(b->outputString(), QString());
    QVERIFY(b->homeDir != a->homeDir);
    QVERIFY(&a->processingQueue != &b->processingQueue);

    // A scan in one window leaves the other idle.
    world->closeGate();
    a->folderTextbox->setText(QStringLiteral("/scan/here"));
    QTest::mouseClick(a->scanButtonBut, Qt::LeftButton);
    QVERIFY(a->isScanning() && !b->isScanning());
    QVERIFY(b->scanButtonBut->isEnabled());
    QCOMPARE(b->window()->windowTitle(), QStringLiteral("Korvex"));
    QSignalSpy answered(a, &ViewController::scanAnswered);
    world->openGate();
    QVERIFY(answered.wait(10000));
    QCOMPARE(b->outputString(), QString());
}

void DocumentTest::windowClosedMidScanLetsTheScanFinish() {
    DocumentController documents;
    Document* document = documents.newDocument();
    ViewController* view = content(document);
    view->markCheckbox->setCheckState(Qt::Checked);
    world->closeGate();
    view->folderTextbox->setText(QStringLiteral("/scan/here"));
    QTest::mouseClick(view->scanButtonBut, Qt::LeftButton);

    QSignalSpy closed(&documents, &DocumentController::documentClosed);
    QVERIFY(document->windowControllers().value(0)->close());
    QVERIFY(!closed.wait(200)); // kept, hidden, while the scan runs
    QCOMPARE(documents.documents().size(), std::size_t(1));

    world->openGate();
    QVERIFY(closed.wait(10000)); // freed once the answer came
    QVERIFY(documents.documents().empty());
    QVERIFY(world->writtenTexts().count(sidecar)); // the scan wrote what it had to
    QVERIFY(world->waitForDone(1));
}

void DocumentTest::controllerFreedMidScanDropsTheAnswer() {
    auto view = std::make_unique<ViewController>(world->factory(), panels);
    view->show();
    view->markCheckbox->setCheckState(Qt::Checked);
    world->closeGate();
    view->folderTextbox->setText(QStringLiteral("/scan/here"));
    QTest::mouseClick(view->scanButtonBut, Qt::LeftButton);
    world->openGate();
    view.reset(); // waits for the scan; its answer then finds no controller
    QVERIFY(world->writtenTexts().count(sidecar));
    QCoreApplication::processEvents(); // delivers the answer into the void
    QTest::qWait(50);
}
