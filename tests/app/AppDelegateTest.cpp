#include "AppDelegate.h"
#include "HelpViewController.h"

#include <QtTest>

using korvex::AppDelegate;

class AppDelegateTest : public QObject {
    Q_OBJECT

    QList<QUrl> opened;
    bool answer = true;
    int manualLookups = 0;

    AppDelegate::UrlOpener recorder() {
        return [this](const QUrl& url) {
            opened.append(url);
            return answer;
        };
    }

private slots:
    void initTestCase() {
        korvex::HelpViewController::setManualLocator([this] {
            ++manualLookups;
            return QString();
        });
    }
    void init() { opened.clear(); }

    void everyOpenHelpMakesAndShowsAnotherWindow() {
        AppDelegate delegate(nullptr, recorder());
        QVERIFY(delegate.myHelpWindow().empty());
        delegate.openHelp();
        delegate.openHelp();

        const auto windows = delegate.myHelpWindow();
        QCOMPARE(windows.size(), size_t(2));
        QVERIFY(windows[0] && windows[1] && windows[0] != windows[1]);
        for (const auto& window : windows) {
            QVERIFY(window->isVisible());
            QVERIFY(window->findChild<korvex::HelpViewController*>());
            QCOMPARE(window->windowTitle(), QStringLiteral("Korvex Help"));
        }
        QVERIFY(opened.isEmpty());
    }

    void closedHelpWindowStaysReferencedAndReloadsWhenShownAgain() {
        AppDelegate delegate(nullptr, recorder());
        manualLookups = 0;
        delegate.openHelp();
        QCOMPARE(manualLookups, 1);
        QPointer<QWidget> first = delegate.myHelpWindow().front();
        QVERIFY(first->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(first);
        QVERIFY(!first->isVisible());
        first->show();
        QCOMPARE(manualLookups, 2);

        delegate.openHelp();
        const auto windows = delegate.myHelpWindow();
        QCOMPARE(windows.size(), size_t(2));
        QCOMPARE(windows[0], first);
    }

    void webPagesGoToTheBrowserAndChangeNothingElse() {
        AppDelegate delegate(nullptr, recorder());
        for (bool browserAnswer : {true, false}) {
            opened.clear();
            answer = browserAnswer;
            delegate.openUpdates();
            delegate.openSupport();
            QCOMPARE(opened.size(), 2);
            QCOMPARE(opened[0],
                     QUrl(QStringLiteral(KORVEX_WEB_BASE "/updates-sierra-and-high-sierra/")));
            QCOMPARE(opened[0].path(), QStringLiteral("/updates-sierra-and-high-sierra/"));
            QCOMPARE(opened[0].host(), opened[1].host());
            QCOMPARE(opened[1].scheme(), QStringLiteral("https"));
            QVERIFY(delegate.myHelpWindow().empty());
        }
    }

    void openWebPageHandsOnOnlyWellFormedWebAddresses() {
        AppDelegate delegate(nullptr, recorder());
        for (const char* bad : {"", "not an address", "https://", "javascript:alert(1)",
                                "file:///etc/passwd", "https://exa mple.com/"})
            QVERIFY2(!delegate.openWebPage(QString::fromLatin1(bad)), bad);
        QVERIFY(opened.isEmpty());

        answer = false;
        QVERIFY(!delegate.openWebPage(QStringLiteral("https://www.example.com/x")));
        answer = true;
        QVERIFY(delegate.openWebPage(QStringLiteral("https://www.example.com/x")));
        QCOMPARE(opened.size(), 2);
    }
};

QTEST_MAIN(AppDelegateTest)
#include "AppDelegateTest.moc"
