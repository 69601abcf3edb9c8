#include "AppDelegate.h"
#include "HelpViewController.h"

#include <QtTest>

using korvex::AppDelegate;

class AppDelegateTest : public QObject {
    Q_OBJECT

    QList<QUrl> opened;
    bool answer = true;
    int manualLookups = 0;
    AppDelegate delegate{nullptr, [this](const QUrl& url) {
                             opened.append(url);
                             return answer;
                         }};

private slots:
    void initTestCase() {
        korvex::HelpViewController::setManualLocator([this] {
            ++manualLookups;
            return QString();
        });
    }

    void everyOpenHelpMakesAndShowsAnotherWindowThatOutlivesClosing() {
        delegate.openHelp();
        delegate.openHelp();
        auto windows = delegate.myHelpWindow();
        QCOMPARE(windows.size(), size_t(2));
        QVERIFY(windows[0] && windows[1] && windows[0] != windows[1]);
        for (const auto& window : windows) {
            QVERIFY(window->isVisible());
            QVERIFY(window->findChild<korvex::HelpViewController*>());
        }

        QVERIFY(windows[0]->close());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(windows[0] && !windows[0]->isVisible());
        const int lookups = manualLookups;
        windows[0]->show(); // the help view inside loads the manual again
        QCOMPARE(manualLookups, lookups + 1);

        delegate.openHelp();
        QCOMPARE(delegate.myHelpWindow().size(), size_t(3));
        QCOMPARE(delegate.myHelpWindow().front(), windows[0]);
        QVERIFY(opened.isEmpty());
    }

    void webPagesGoToTheBrowserAndChangeNothingElse() {
        const auto windows = delegate.myHelpWindow();
        for (bool browserAnswer : {true, false}) {
            opened.clear();
            answer = browserAnswer;
            delegate.openUpdates();
            delegate.openSupport();
            QCOMPARE(opened.size(), 2);
            QCOMPARE(opened[0],
                     QUrl(QStringLiteral(KORVEX_WEB_BASE "/updates-sierra-and-high-sierra/")));
            QCOMPARE(opened[0].host(), opened[1].host());
            QCOMPARE(opened[1].scheme(), QStringLiteral("https"));
            QCOMPARE(delegate.myHelpWindow(), windows);
        }
    }

    void openWebPageHandsOnOnlyWellFormedWebAddresses() {
        opened.clear();
        for (const char* bad : {"", "not an address", "https://", "javascript:alert(1)",
                                "file:///etc/passwd", "https://exa mple.com/"})
            QVERIFY2(!delegate.openWebPage(QString::fromLatin1(bad)), bad);
        QVERIFY(opened.isEmpty());
        for (bool browserAnswer : {false, true}) {
            answer = browserAnswer;
            QCOMPARE(delegate.openWebPage(QStringLiteral("https://www.example.com/x")), answer);
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
        QCOMPARE(notOpened[0][0].toString(), AppDelegate::supportPage());
    }

    void applicationKeysWorkFromAHelpWindow() {
        delegate.openHelp();
        QWidget* window = delegate.myHelpWindow().back();
        QApplication::setActiveWindow(window);
        QSignalSpy newWindow(&delegate, &AppDelegate::newWindowRequested);
        QSignalSpy quit(&delegate, &AppDelegate::quitRequested);
        const size_t before = delegate.myHelpWindow().size();
        QTest::keySequence(window, QKeySequence::New);
        QTest::keySequence(window, QKeySequence(Qt::CTRL | Qt::Key_Q));
        QTest::keyClick(window, Qt::Key_F1);
        QCOMPARE(newWindow.size(), 1);
        QCOMPARE(quit.size(), 1);
        QCOMPARE(delegate.myHelpWindow().size(), before + 1);
        // Ctrl+W and Escape close it (it is only hidden: the delegate keeps it).
        for (const QKeySequence& key :
             {QKeySequence(Qt::CTRL | Qt::Key_W), QKeySequence(Qt::Key_Escape)}) {
            window->show();
            QApplication::setActiveWindow(window);
            QTest::keySequence(window, key);
            QVERIFY(!window->isVisible());
        }
    }
};

QTEST_MAIN(AppDelegateTest)
#include "AppDelegateTest.moc"
