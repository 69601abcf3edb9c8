// Saving the output: the suggested name, the snapshot, the folder memory and failures.
#include "QtFilePanels.h"
#include "TestSupport.h"
#include "ViewController.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

using namespace korvex;
using namespace korvex::test;

namespace {

struct Saver {
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    std::unique_ptr<ViewController> view =
        std::make_unique<ViewController>(std::make_shared<ScanWorld>()->factory(), panels);

    // Saves `shown`; `meanwhile` runs while the panel is open.
    void save(const QString& shown, int response, const QString& path,
              const std::function<void()>& meanwhile = {}) {
        view->showOutputText(shown);
        view->saveButton();
        if (meanwhile)
            meanwhile();
        ScriptedPanels::end(panels->saveDone, response, path);
    }
};

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class SaveOutputTest : public QObject {
    Q_OBJECT
private slots:
    void suggestedName() {
        // {title, suggested, on disk}: a Linux file name can't hold "/", so the real panel shows
        // the suggestion without it.
        for (auto [title, suggested, onDisk] :
             {std::tuple{"Korvex", "Korvex-Korvex.text", "Korvex-Korvex.text"},
              {"", "Korvex-Untitled.text", "Korvex-Untitled.text"},
              {"~/Old Mac/", "Korvex-~/Old Mac/.text", "Korvex-~-Old Mac-.text"}}) {
            Saver s;
            s.view->setWindowTitle(title);
            s.view->saveButton();
            const SavePanelRequest& asked = s.panels->saveRequest;
            QCOMPARE(asked.nameFieldStringValue, QString(suggested));
            QCOMPARE(asked.allowedFileTypes, QStringList({"text", "txt"}));
            QVERIFY(asked.canCreateDirectories);
            QCOMPARE(asked.directoryURL, QUrl::fromLocalFile(QDir::homePath()));
            QCOMPARE(fileNameForSuggestion(asked.nameFieldStringValue), QString(onDisk));
        }
    }

    void writesTheSnapshot() {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("out.text"));
        QFile old(path); // a longer file already there is replaced as a whole
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write(QByteArray(4096, 'x')) == 4096);
        old.close();

        Saver s;
        const QString shown =
            QStringLiteral("Getting scan results\u2026\n/a/\u00e9t\u00e9\u00a0b\n");
        s.save(shown, panelOK, path,
               [&] { s.view->showOutputText(QStringLiteral("a later report")); });
        QCOMPARE(contents(path), shown.toUtf8()); // as shown then; no byte-order mark
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList({"out.text"}));

        s.save(QString(), panelOK, path);
        QCOMPARE(contents(path), QByteArray());

        // The last line ends with a line feed, as korvex-scan prints the report.
        s.save(QStringLiteral("Found 0 broken Aliases\nChecked at noon"), panelOK, path);
        QCOMPARE(contents(path), QByteArray("Found 0 broken Aliases\nChecked at noon\n"));

        // The window closes before the panel does: the user still asked for the file.
        s.save(QStringLiteral("keep me"), panelOK, path, [&] { s.view.reset(); });
        QCOMPARE(contents(path), QByteArray("keep me\n"));
    }

    void folderMemoryAndFailure() {
        QTemporaryDir folder;
        const QUrl home = QUrl::fromLocalFile(QDir::homePath());
        const QUrl chosen = QUrl::fromLocalFile(folder.path());
        Saver s;
        s.save(QStringLiteral("report"), panelCancel, folder.filePath(QStringLiteral("no.text")));
        QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("no.text"))));
        QCOMPARE(s.view->homeDir(), home);

        s.save(QStringLiteral("report"), panelOK, folder.filePath(QStringLiteral("one.text")));
        QCOMPARE(s.view->homeDir(), chosen);
        // A save that worked says where the file went.
        QCOMPARE(control<QLabel>(s.view.get(), "statusLine")->text(),
                 QStringLiteral("Saved to ") + folder.filePath(QStringLiteral("one.text")));
        s.view->saveButton();
        QCOMPARE(s.panels->saveRequest.directoryURL, chosen); // opens where the last save went

        s.save(QStringLiteral("last line"), panelOK, QStringLiteral("/no/such/dir/x.text"));
        QCOMPARE(s.view->homeDir(), chosen);
        QVERIFY(!control<QLabel>(s.view.get(), "statusLine")
                     ->text()
                     .contains(QStringLiteral("x.text")));
        // The system's text right behind the shown text: no line break, no wording of ours.
        const QString output = s.view->outputString();
        QVERIFY2(output.startsWith(QStringLiteral("last line")) && output.size() > 9 &&
                     output[9] != QLatin1Char('\n'),
                 qPrintable(output));
    }

    void realPanels() {
        QtFilePanels panels;
        int response = -1;
        QString chosen;
        auto done = [&](int r, const QString& path) { response = r, chosen = path; };

        QWidget window;
        window.show();
        panels.beginOpenPanel({false, true, true, false, true, QStringLiteral("Scan")}, &window,
                              done);
        auto* open = window.findChild<QFileDialog*>();
        QVERIFY(open && open->isVisible() && open->windowModality() == Qt::WindowModal);
        QCOMPARE(open->fileMode(), QFileDialog::Directory);
        QVERIFY(open->filter() & QDir::Hidden);
        QCOMPARE(open->labelText(QFileDialog::Accept), QStringLiteral("Scan"));
        open->reject();
        QCOMPARE(response, panelCancel);

        QTemporaryDir folder;
        const SavePanelRequest request{true,
                                       {"text", "txt"},
                                       QUrl::fromLocalFile(folder.path()),
                                       QStringLiteral("Korvex-/a/b.text")};
        panels.beginSavePanel(request, &window, done);
        const auto savePanels = [&window] {
            QList<QFileDialog*> found;
            for (QWidget* top : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QFileDialog*>(top);
                if (dialog && dialog->isVisible() &&
                    dialog->acceptMode() == QFileDialog::AcceptSave)
                    found.append(dialog);
            }
            return found;
        };
        QCOMPARE(savePanels().size(), 1);
        QFileDialog* save = savePanels().first();
        // Modal to its window and owned by it.
        QVERIFY(save->windowModality() == Qt::WindowModal && save->parent() == &window);
        QCOMPARE(save->defaultSuffix(), QStringLiteral("text"));
        // A second Save while it is open brings the same panel back; no second one appears.
        panels.beginSavePanel(request, &window, done);
        QCOMPARE(savePanels(), QList<QFileDialog*>{save});
        static_cast<QDialog*>(save)->accept(); // as the Save button does
        QCOMPARE(response, panelOK);
        QCOMPARE(chosen, folder.filePath(QStringLiteral("Korvex--a-b.text")));

        // A panel can't outlive its window.
        response = -1;
        auto owner = std::make_unique<QWidget>();
        owner->show();
        panels.beginSavePanel(request, owner.get(), done);
        const QPointer<QFileDialog> orphan = savePanels().value(0);
        QVERIFY(orphan);
        owner.reset();
        QVERIFY(!orphan && savePanels().isEmpty());
    }

    void theSavePanelBelongsToTheWindowShowingTheOutput() {
        Saver s;
        QWidget window;
        s.view->setParent(&window);
        s.view->saveButton();
        QCOMPARE(s.panels->saveWindow, &window);
        s.view->setParent(nullptr);
    }
};

[[maybe_unused]] const bool registered = registerTestObject<SaveOutputTest>();

#include "SaveOutputTest.moc"
