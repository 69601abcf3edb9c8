// Saving the output: the suggested name, the snapshot, the folder memory and failures.
#include "ScanControlTest.h"

#include "TestSupport.h"
#include "ViewController.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace korvex;
using namespace korvex::test;

namespace {

struct Saver {
    std::shared_ptr<ScanWorld> world = std::make_shared<ScanWorld>();
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    ViewController view{world->factory(), panels};
    Saver() { view.show(); }
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

void SaveOutputTest::initTestCase() {
    clearSettings();
}

void SaveOutputTest::suggestedName_data() {
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("suggested");
    QTest::addColumn<QString>("onDisk");
    QTest::newRow("before any scan") << "Korvex"
                                     << "Korvex-Korvex.text"
                                     << "Korvex-Korvex.text";
    QTest::newRow("empty title") << ""
                                 << "Korvex-Untitled.text"
                                 << "Korvex-Untitled.text";
    QTest::newRow("folder path") << "/home/me/Old Mac"
                                 << "Korvex-/home/me/Old Mac.text"
                                 << "Korvex--home-me-Old Mac.text";
    QTest::newRow("typed tilde") << "~/Documents"
                                 << "Korvex-~/Documents.text"
                                 << "Korvex-~-Documents.text";
}

void SaveOutputTest::suggestedName() {
    QFETCH(QString, title);
    QFETCH(QString, suggested);
    QFETCH(QString, onDisk);
    Saver s;
    s.view.setWindowTitle(title);
    s.view.saveButton();
    QCOMPARE(s.panels->savePanels, 1);
    const SavePanelRequest& request = s.panels->saveRequest;
    QCOMPARE(request.nameFieldStringValue, suggested);
    QCOMPARE(request.allowedFileTypes, QStringList({"text", "txt"}));
    QVERIFY(request.canCreateDirectories);
    QCOMPARE(request.directoryURL, QUrl::fromLocalFile(QDir::homePath()));
    // A Linux name can't hold "/": the panel shows the title's slashes as dashes.
    QCOMPARE(fileNameForSuggestion(request.nameFieldStringValue), onDisk);
}

void SaveOutputTest::savesTheSnapshotAsUtf8() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("out.text"));
    {
        QFile old(path); // a longer file already there is replaced as a whole
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(4096, 'x'));
    }
    Saver s;
    const QString shown = QStringLiteral("Getting scan results\u2026\n/a/\u00e9t\u00e9\u00a0b\n");
    s.view.showOutputText(shown);
    s.view.saveButton();
    s.view.showOutputText(QStringLiteral("a report that came later")); // not in the snapshot
    s.panels->endSavePanel(panelOK, path);

    QCOMPARE(contents(path), shown.toUtf8()); // no byte-order mark, no-break space kept
    QVERIFY(!contents(path).startsWith("\xEF\xBB\xBF"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList({"out.text"}));

    // An empty output gives an empty file.
    s.view.showOutputText(QString());
    s.view.saveButton();
    s.panels->endSavePanel(panelOK, path);
    QCOMPARE(contents(path), QByteArray());
}

void SaveOutputTest::remembersTheFolderOfTheLastSave() {
    QTemporaryDir first;
    Saver s;
    s.view.showOutputText(QStringLiteral("report"));

    s.view.saveButton();
    s.panels->endSavePanel(panelOK, first.filePath(QStringLiteral("one.text")));
    const QUrl firstFolder = QUrl::fromLocalFile(first.path());
    QCOMPARE(s.view.homeDir, firstFolder);

    s.view.saveButton();
    QCOMPARE(s.panels->saveRequest.directoryURL, firstFolder);
    s.panels->endSavePanel(panelCancel, first.filePath(QStringLiteral("cancelled.text")));
    QVERIFY(!QFile::exists(first.filePath(QStringLiteral("cancelled.text"))));
    QCOMPARE(s.view.homeDir, firstFolder);

    s.view.saveButton();
    s.panels->endSavePanel(panelOK, QStringLiteral("/no/such/folder/x.text"));
    QCOMPARE(s.view.homeDir, firstFolder); // a failed save moves nothing
    s.view.saveButton();
    QCOMPARE(s.panels->saveRequest.directoryURL, firstFolder);
}

void SaveOutputTest::failureAppendsTheSystemText() {
    Saver s;
    s.view.showOutputText(QStringLiteral("last line"));
    s.view.saveButton();
    s.panels->endSavePanel(panelOK, QStringLiteral("/no/such/folder/x.text"));
    const QString output = s.view.outputString();
    QVERIFY2(output.startsWith(QStringLiteral("last line")), qPrintable(output));
    const QString error = output.mid(QStringLiteral("last line").size());
    QVERIFY2(!error.isEmpty() && !error.startsWith(QLatin1Char('\n')), qPrintable(output));
    QVERIFY(!error.contains(QStringLiteral("last line")));
}

void SaveOutputTest::savesEvenIfTheWindowClosed() {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("kept.text"));
    auto panels = std::make_shared<ScriptedPanels>();
    {
        auto world = std::make_shared<ScanWorld>();
        ViewController view(world->factory(), panels);
        view.showOutputText(QStringLiteral("keep me"));
        view.saveButton();
    }
    panels->endSavePanel(panelOK, path); // the controller is gone; the user still said save
    QCOMPARE(contents(path), QByteArray("keep me"));
}
