#include "QtDesktopOpener.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace korvex {

namespace {

const QString fileManagerService = QStringLiteral("org.freedesktop.FileManager1");

// Asks the file manager to show `path` selected; false when no file manager on the session
// bus offers it, or it answered with an error.
bool showItemsOverBus(const QString& path) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return false;
    const QDBusReply<bool> registered = bus.interface()->isServiceRegistered(fileManagerService);
    // The service may also be started on demand: activatable names count as well.
    if (!registered.isValid())
        return false;
    if (!registered.value()) {
        const QDBusReply<QStringList> activatable =
            bus.interface()->call(QStringLiteral("ListActivatableNames"));
        if (!activatable.isValid() || !activatable.value().contains(fileManagerService))
            return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        fileManagerService, QStringLiteral("/org/freedesktop/FileManager1"), fileManagerService,
        QStringLiteral("ShowItems"));
    call << QStringList{QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded)} << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

bool QtDesktopOpener::open(const QString& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool QtDesktopOpener::showInFolder(const QString& path) {
    if (showItemsOverBus(path))
        return true;
    return open(QFileInfo(path).absolutePath());
}

} // namespace korvex
