#include "AppDelegate.h"
#include "AccessibilityCheck.h"
#include "HelpSearchBar.h"
#include "HelpViewController.h"

#include <QAccessible>
#include <QFile>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeView>
#include <QtTest>

using korvex::AppDelegate;

namespace {

// Resident memory of this process in MB, from /proc/self/status; -1 where there is none.
double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

    QList<QUrl> opened;
    bool answer = true;
    int manualLookups = 0;
    QString manual;
    AppDelegate delegate{nullptr, [this](const QUrl& url) {
                             opened.append(url);
                             return answer;
                         }};

    QWidget* helpWindow() const {
        const auto windows = delegate.myHelpWindow();
        return windows.empty() ? nullptr : windows.front().data();
    }

private slots:
    void initTestCase() {
        korvex::HelpViewController::setManualLocator([this] {
            ++manualLookups;
            return manual;
        });
    }

    void init() { delegate.setWebBase(QStringLiteral("https://korvex.test/")); }

    void oneHelpWindowShownAgainAndBroughtToTheFront() {
        QVERIFY(delegate.myHelpWindow().empty());
        delegate.openHelp();
        QWidget* window = helpWindow();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->findChild<korvex::HelpViewController*>());
        const auto windowsMade = QApplication::topLevelWidgets().size();

        delegate.openHelp();
        QCOMPARE(delegate.myHelpWindow().size(), size_t(1));
        QCOMPARE(helpWindow(), window);

        // Closed, it is only hidden; Help shows the same window again.
        QVERIFY(window->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(helpWindow() == window && !window->isVisible());
        const int lookups = manualLookups;
        delegate.openHelp();
        QVERIFY(window->isVisible());
        QCOMPARE(manualLookups, lookups + 1); // the view looks for a newer manual
        QCOMPARE(QApplication::topLevelWidgets().size(), windowsMade);
        QVERIFY(opened.isEmpty());
    }

    void helpWindowKeepsNothingPerOpening() {
        // Opened and closed 30 times with the real manual: the program's widgets and the help
        // window's objects stay as many as after the first openings.
        manual = QStringLiteral(KORVEX_BUILT_MANUAL);
        const auto cycle = [this] {
            delegate.openHelp();
            QVERIFY(QTest::qWaitForWindowExposed(helpWindow()));
            QApplication::processEvents();
            helpWindow()->close();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QApplication::processEvents();
        };
        // The first openings load the manual and lay out its text.
        cycle();
        cycle();
        const auto widgets = QApplication::allWidgets().size();
        const auto objects = helpWindow()->findChildren<QObject*>().size();
        const double before = residentMegabytes();
        for (int i = 2; i < 30; ++i)
            cycle();
        QCOMPARE(QApplication::allWidgets().size(), widgets);
        QCOMPARE(helpWindow()->findChildren<QObject*>().size(), objects);
        QCOMPARE(delegate.myHelpWindow().size(), size_t(1));
        qInfo("resident memory: %.1f MB after 2 openings, %.1f MB after 30", before,
              residentMegabytes());
        manual.clear();
    }

    void webPagesGoToTheBrowserAndChangeNothingElse() {
        const auto windows = delegate.myHelpWindow();
        for (bool browserAnswer : {true, false}) {
            opened.clear();
            answer = browserAnswer;
            delegate.openUpdates();
            delegate.openSupport();
            QCOMPARE(opened,
                     QList<QUrl>({QUrl(QStringLiteral(
                                      "https://korvex.test/updates-sierra-and-high-sierra/")),
                                  QUrl(QStringLiteral("https://korvex.test/support/"))}));
            QCOMPARE(delegate.myHelpWindow(), windows);
        }
        QCOMPARE(delegate.homePage(), QStringLiteral("https://korvex.test/"));
    }

    void withoutAWebSiteTheMenusPointToTheManualAndThePackageManager() {
        // No placeholder address is built in: without a web base there are no web pages.
        QVERIFY2(!QStringLiteral(KORVEX_WEB_BASE).contains(QStringLiteral("example.")),
                 KORVEX_WEB_BASE);
        delegate.setWebBase(QString());
        QVERIFY(delegate.homePage().isEmpty() && delegate.updatesPage().isEmpty() &&
                delegate.supportPage().isEmpty());
        opened.clear();
        QSignalSpy information(&delegate, &AppDelegate::information);
        delegate.openUpdates();
        QCOMPARE(information.size(), 1);
        QVERIFY(information[0][1].toString().contains(QStringLiteral("package manager")));

        helpWindow()->close();
        delegate.openSupport(); // the installed manual
        QVERIFY(helpWindow()->isVisible());
        QVERIFY(opened.isEmpty());
    }

    void openWebPageHandsOnOnlyWellFormedWebAddresses() {
        opened.clear();
        for (const char* bad : {"", "not an address", "https://", "javascript:alert(1)",
                                "file:///etc/passwd", "https://exa mple.com/"})
            QVERIFY2(!delegate.openWebPage(QString::fromLatin1(bad)), bad);
        QVERIFY(opened.isEmpty());
        for (bool browserAnswer : {false, true}) {
            answer = browserAnswer;
            QCOMPARE(delegate.openWebPage(QStringLiteral("https://korvex.test/x")), answer);
        }
        QCOMPARE(opened.size(), 2);
    }

    void anAddressNoBrowserTookIsAnnouncedToCopy() {
        QSignalSpy notOpened(&delegate, &AppDelegate::webPageNotOpened);
        for (bool browserAnswer : {true, false}) {
            answer = browserAnswer;
            delegate.openSupport();
        }
        delegate.openWebPage(QStringLiteral("file:///etc/passwd")); // refused, not announced
        QCOMPARE(notOpened.size(), 1);
        QCOMPARE(notOpened[0][0].toString(), delegate.supportPage());
    }

    void applicationKeysWorkFromTheHelpWindowAndEscapeLeavesItOpen() {
        delegate.openHelp();
        QWidget* window = helpWindow();
        QApplication::setActiveWindow(window);
        QSignalSpy newWindow(&delegate, &AppDelegate::newWindowRequested);
        QSignalSpy quit(&delegate, &AppDelegate::quitRequested);
        QTest::keySequence(window, QKeySequence::New);
        QTest::keySequence(window, QKeySequence(Qt::CTRL | Qt::Key_Q));
        QCOMPARE(newWindow.size(), 1);
        QCOMPARE(quit.size(), 1);
        // F1 in the help window brings back the same window.
        QTest::keyClick(window, Qt::Key_F1);
        QCOMPARE(delegate.myHelpWindow().size(), size_t(1));
        QCOMPARE(helpWindow(), window);
        // A window, not a dialog: Escape leaves it open, Ctrl+W closes (hides) it.
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(window->isVisible());
        QTest::keySequence(window, QKeySequence(Qt::CTRL | Qt::Key_W));
        QVERIFY(!window->isVisible());
        QCOMPARE(helpWindow(), window);
    }

    // A screen reader finds a window, every control named, and the manual as text; the keys
    // of its mnemonics are unique.
    void helpWindowForScreenReaders() {
        manual = QStringLiteral(KORVEX_BUILT_MANUAL);
        delegate.openHelp();
        QWidget* window = helpWindow();
        QApplication::setActiveWindow(window);
        auto* view = window->findChild<korvex::HelpViewController*>();
        QVERIFY(view->contentsView()->isVisible());
        QCOMPARE(QAccessible::queryAccessibleInterface(window)->role(), QAccessible::Window);
        QStringList faults = korvex::test::accessibilityFaults(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        QTest::keySequence(window, QKeySequence::Find);
        QVERIFY(view->searchBar()->isVisible());
        faults = korvex::test::accessibilityFaults(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));

        QTest::keyClick(window, Qt::Key_T, Qt::AltModifier); // the Text tab
        QTRY_COMPARE(view->views()->currentWidget(), static_cast<QWidget*>(view->textView()));
        faults = korvex::test::accessibilityFaults(window);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join('\n')));
        QAccessibleInterface* text = QAccessible::queryAccessibleInterface(view->textView());
        QVERIFY(text && text->textInterface());
        const QString read =
            text->textInterface()->text(0, text->textInterface()->characterCount());
        QVERIFY2(read.contains(QStringLiteral("Find Moved Targets")), qPrintable(read.left(200)));
        window->close();
        manual.clear();
    }
};

QTEST_MAIN(AppDelegateTest)
#include "AppDelegateTest.moc"
