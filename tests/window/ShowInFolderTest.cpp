// Show Original through the file manager's org.freedesktop.FileManager1 service: a stand-in
// for the file manager on a private session bus (the test runs under dbus-run-session) records
// what it is asked to show, on a connection and thread of its own as a file manager has.
#include "QtDesktopOpener.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMutex>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QUrl>

using namespace korvex;

namespace {

class FakeFileManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    QMutex mutex;
    QStringList shown;
    QString startupId;

public slots:
    void ShowItems(const QStringList& uris, const QString& startup) {
        QMutexLocker lock(&mutex);
        shown += uris;
        startupId = startup;
    }
};

} // namespace

class ShowInFolderTest : public QObject {
    Q_OBJECT
private slots:
    void asksTheFileManagerToShowTheItemSelected() {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("no session bus (run under dbus-run-session)");
        QThread thread;
        FakeFileManager manager;
        manager.moveToThread(&thread);
        thread.start();
        QDBusConnection service = QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                                QStringLiteral("file-manager"));
        QVERIFY(service.registerObject(QStringLiteral("/org/freedesktop/FileManager1"), &manager,
                                       QDBusConnection::ExportAllSlots));
        QVERIFY(service.registerService(QStringLiteral("org.freedesktop.FileManager1")));

        const QString path = QStringLiteral("/tmp/Mac Share/Caf\u00e9 #1.txt");
        QVERIFY(QtDesktopOpener().showInFolder(path));
        {
            QMutexLocker lock(&manager.mutex);
            QCOMPARE(manager.shown,
                     QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)});
            QCOMPARE(QUrl(manager.shown.value(0)).toLocalFile(), path);
        }

        service.unregisterService(QStringLiteral("org.freedesktop.FileManager1"));
        QDBusConnection::disconnectFromBus(QStringLiteral("file-manager"));
        thread.quit();
        thread.wait();
        manager.moveToThread(QThread::currentThread());
    }
};

QTEST_GUILESS_MAIN(ShowInFolderTest)
#include "ShowInFolderTest.moc"
