// The main window in the process's language: under German every text of it (menus, controls,
// tool tips, status line, report and its date) is German, none left English; under a language
// without a catalogue it is all English.
#include "DocumentWindow.h"
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
#include <QPlainTextEdit>
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
