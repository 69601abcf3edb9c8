// The main window in the process's language: under German every text of it (menus, controls,
// tool tips, status line, report and its date) is German, none left English; under a language
// without a catalogue it is all English.
#include "AccessibilityCheck.h"
#include "BrokenAliasDialog.h"
#include "DesktopOpener.h"
#include "DocumentWindow.h"
#include "MovedTargetsController.h"
#include "MovedTargetsDialog.h"
#include "PathMappingStore.h"
#include "PosixAliasPlatform.h"
#include "PreferencesDialog.h"
#include "TempTree.h"
#include "TestSupport.h"
#include "UiLanguage.h"
#include "ViewController.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace korvex;
using namespace korvex::test;

namespace {

/// A main window after a scan of the test world's folder, in the language chosen before.
struct ScannedWindow {
    std::shared_ptr<ScanWorld> world = std::make_shared<ScanWorld>();
    std::shared_ptr<ScriptedPanels> panels = std::make_shared<ScriptedPanels>();
    DocumentWindow* window = new DocumentWindow(new ViewController(world->factory(), panels));
    ViewController* view = window->contentViewController();
    bool scanned = false;

    ScannedWindow() {
        window->show();
        QSignalSpy answered(view, &ViewController::scanAnswered);
        control<QLineEdit>(view, "folderTextbox")->setText(QStringLiteral("/scan/here"));
        QTest::mouseClick(control<QAbstractButton>(view, "scanButtonBut"), Qt::LeftButton);
        scanned = answered.count() == 1 || answered.wait(10000);
    }
    ~ScannedWindow() { delete window; }

    QString report() const { return view->outputString(); }
    QString status() const { return control<QLabel>(view, "statusLine")->text(); }

    /// Every text the window shows or tells of: menus and their actions, controls, labels,
    /// place holders and tool tips (the report and the window title aside).
    QSet<QString> texts() const {
        QSet<QString> all;
        const auto add = [&all](const QString& text) {
            if (!text.trimmed().isEmpty()) {
                all.insert(text);
            }
        };
        for (QAction* action : window->findChildren<QAction*>()) {
            add(action->text());
            if (action->menu()) {
                add(action->menu()->title());
            }
        }
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            add(widget->toolTip());
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                add(button->text());
            } else if (auto* label = qobject_cast<QLabel*>(widget)) {
                add(label->text());
            } else if (auto* field = qobject_cast<QLineEdit*>(widget)) {
                add(field->placeholderText());
            } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
                add(text->placeholderText());
            }
        }
        return all;
    }
};

const QRegularExpression
    germanDay(QStringLiteral("(Montag|Dienstag|Mittwoch|Donnerstag|Freitag|Samstag|Sonntag), "));
const QRegularExpression
    englishDay(QStringLiteral("(Monday|Tuesday|Wednesday|Thursday|Friday|Saturday|Sunday), "));

#define CHECK_ACCESSIBLE(window)                                                                   \
    do {                                                                                           \
        const QStringList faults = accessibilityFaults(window);                                    \
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));                    \
    } while (false)

QString lastLine(const QString& text) {
    return text.section(QLatin1Char('\n'), -1);
}

} // namespace

class LanguageTest : public QObject {
    Q_OBJECT

private slots:
    void init() { clearSettings(); }
    void cleanup() { UiLanguage::choose({QStringLiteral("en")}); }

    void germanWindowHasNoEnglishLeft() {
        UiLanguage::choose({QStringLiteral("en")});
        QSet<QString> english;
        {
            ScannedWindow w;
            QVERIFY(w.scanned);
            english = w.texts();
        }
        UiLanguage::choose({QStringLiteral("de-DE")});
        ScannedWindow w;
        QVERIFY(w.scanned);
        const QSet<QString> german = w.texts();
        QVERIFY(german.size() >= english.size() - 2); // two English texts may share a German one
        QStringList untranslated;
        for (const QString& text : german) {
            if (english.contains(text)) {
                untranslated << text;
            }
        }
        QVERIFY2(untranslated.isEmpty(), qPrintable(untranslated.join(QStringLiteral(" | "))));
        // German names and mnemonics hold the same rules as the English ones: one letter each.
        CHECK_ACCESSIBLE(w.window);
        QTest::keyClick(control<QLineEdit>(w.view, "folderTextbox"), Qt::Key_F,
                        Qt::ControlModifier); // the find bar of the report
        CHECK_ACCESSIBLE(w.window);

        const QStringList menus = [&] {
            QStringList titles;
            for (QAction* menu : w.window->menuBar()->actions()) {
                titles << menu->text();
            }
            return titles;
        }();
        for (const char* title : {"&Datei", "&Bearbeiten", "&Ansicht", "&Prüfen", "&Hilfe"}) {
            QVERIFY2(menus.contains(QString::fromUtf8(title)), qPrintable(menus.join(u' ')));
        }
        QVERIFY2(w.report().startsWith(QStringLiteral("Prüfung aller Finder-Aliasse im Ordner "
                                                      "/scan/here:\n\nAls defekt gefundene "
                                                      "Aliasse:\n/scan/here/a/broken.alias\n\n"
                                                      "1 defekten Alias gefunden")),
                 qPrintable(w.report()));
        QVERIFY2(lastLine(w.report()).startsWith(QStringLiteral("Geprüft am ")) &&
                     lastLine(w.report()).contains(germanDay),
                 qPrintable(lastLine(w.report())));
        QVERIFY2(w.status().startsWith(QStringLiteral("Letzte Prüfung: ")) &&
                     w.status().contains(QStringLiteral("Finder-Aliasse, 1 defekt.")),
                 qPrintable(w.status()));
    }

    // The dialogs in German: every control named, one mnemonic per letter.
    void germanDialogsKeepOneMnemonicPerLetter() {
        UiLanguage::choose({QStringLiteral("de")});
        std::string ignored;
        PathMappingStore().save({{"/Volumes/Archive", "/mnt/archive"}}, ignored);
        {
            PreferencesDialog preferences(PathMappingStore(), std::make_shared<ScriptedPanels>());
            preferences.show();
            CHECK_ACCESSIBLE(&preferences);
        }
        PathMappingStore().save({}, ignored);

        // A broken alias whose target moved within the folder, and one a mapping fixes.
        TempTree tree;
        const std::string folder = tree.path("scan");
        tree.file("scan/aliases/c alias", aliasBytes(folder + "/old/c.txt"));
        tree.file("scan/new/c.txt");
        tree.file("scan/aliases/a alias",
                  aliasBytes("/Volumes/Archive/P/a.pdf", "/Volumes/Archive", "Archive"));
        tree.file("scan/vol/P/a.pdf");
        DocumentWindow window(new ViewController(
            [](std::vector<PathMapping> mappings) {
                return std::make_unique<PosixAliasPlatform>(std::move(mappings));
            },
            std::make_shared<ScriptedPanels>()));
        ViewController* view = window.contentViewController();
        window.show();
        QSignalSpy answered(view, &ViewController::scanAnswered);
        view->startScan(fileUrlWithPath(folder, true));
        QVERIFY(answered.wait(10000));
        auto* controller = view->findChild<MovedTargetsController*>();
        QSignalSpy shown(controller, &MovedTargetsController::dialogShown);
        controller->findMovedTargets();
        QVERIFY(shown.wait(10000));
        MovedTargetsDialog* dialog = controller->dialog();
        CHECK_ACCESSIBLE(dialog);
        QTest::mouseClick(dialog->relinkButton, Qt::LeftButton);
        QVERIFY(dialog->confirmation);
        CHECK_ACCESSIBLE(dialog->confirmation.data());
        dialog->confirmation->reject();
        QTRY_VERIFY(!dialog->confirmation);
        dialog->close();

        // The broken alias's own window, once its search has found the moved target.
        struct NoOpener : DesktopOpener {
            bool open(const QString&) override { return false; }
            bool showInFolder(const QString&) override { return false; }
        };
        const Bytes data = aliasBytes(folder + "/old/c.txt");
        BrokenAliasDialog broken(QString::fromStdString(tree.path("scan/aliases/c alias")), data,
                                 std::make_shared<NoOpener>());
        QSignalSpy searched(&broken, &BrokenAliasDialog::searchFinished);
        broken.show();
        QVERIFY(searched.wait(10000));
        CHECK_ACCESSIBLE(&broken);
    }

    void untranslatedLanguageIsEnglishThroughout() {
        UiLanguage::choose({QStringLiteral("en")});
        QSet<QString> english;
        {
            ScannedWindow w;
            QVERIFY(w.scanned);
            english = w.texts();
        }
        UiLanguage::choose({QStringLiteral("fr-FR"), QStringLiteral("ja-JP")});
        ScannedWindow w;
        QVERIFY(w.scanned);
        QCOMPARE(w.texts(), english);
        QVERIFY2(w.report().startsWith(QStringLiteral("Scan of all Finder Aliases in the folder "
                                                      "/scan/here:\n\nAliases found broken:\n")),
                 qPrintable(w.report()));
        QVERIFY2(lastLine(w.report()).startsWith(QStringLiteral("Checked at ")) &&
                     lastLine(w.report()).contains(englishDay),
                 qPrintable(lastLine(w.report())));
        QVERIFY2(w.status().startsWith(QStringLiteral("Last scan: ")), qPrintable(w.status()));
    }
};

[[maybe_unused]] const bool registered = registerTestObject<LanguageTest>();

#include "LanguageTest.moc"
