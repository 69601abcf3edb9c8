#include "AliasOpenController.h"

#include "DesktopOpener.h"
#include "PathMappingStore.h"
#include "PrintableText.h"

#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace korvex {

namespace {

// A path as the user reads it: control characters can't hide in it or break its line.
QString shown(const QString& path) {
    return QString::fromStdString(printable(QFile::encodeName(path).toStdString()));
}

QString localPath(const QString& argument) {
    const QUrl url(argument);
    if (url.isLocalFile())
        return url.toLocalFile();
    return QFileInfo(argument).absoluteFilePath();
}

} // namespace

AliasOpenController::AliasOpenController(PlatformFactory makePlatform,
                                         std::shared_ptr<DesktopOpener> opener, QObject* parent)
    : QObject(parent), makePlatform_(std::move(makePlatform)), opener_(std::move(opener)) {}

void AliasOpenController::run(const QStringList& arguments, Action action) {
    std::unique_ptr<AliasPlatform> platform = makePlatform_(PathMappingStore().load().mappings);
    if (!platform) {
        problems_ << tr("Aliases can't be resolved on this system.");
        failed_ = true;
    } else {
        for (const QString& argument : arguments)
            handle(*platform, localPath(argument), action);
    }
    if (!problems_.isEmpty()) {
        auto* box = new QMessageBox(QMessageBox::Warning, tr("Korvex"),
                                    problems_.size() == 1 ? tr("This alias couldn't be opened.")
                                                          : tr("These aliases couldn't be opened."),
                                    QMessageBox::Ok);
        box->setInformativeText(problems_.join(QStringLiteral("\n\n")));
        box->setAccessibleName(tr("Aliases that couldn't be opened"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        problemMessage = box;
        ++windowsOpen_;
        connect(box, &QDialog::finished, this, &AliasOpenController::windowGone);
        box->open();
    }
    finishWhenDone();
}

void AliasOpenController::handle(AliasPlatform& platform, const QString& path, Action action) {
    std::string alias = QFile::encodeName(path).toStdString();
    AliasFileResolution resolution = AliasFileResolution::resolve(platform, alias);
    // An alias to an alias: followed here, a bounded number of times, never handed to the
    // desktop, whose handler of aliases would be this program again (and again, for a loop).
    bool endless = false;
    for (int hops = 0; resolution.outcome == AliasFileResolution::Outcome::resolved; ++hops) {
        AliasFileResolution next = AliasFileResolution::resolve(platform, resolution.target);
        if (next.outcome == AliasFileResolution::Outcome::notAlias ||
            next.outcome == AliasFileResolution::Outcome::missing)
            break; // the target is no alias: it is what opens
        if (hops == maxAliasHops) {
            endless = true;
            break;
        }
        alias = std::move(resolution.target);
        resolution = std::move(next);
    }
    const QString followed = QFile::decodeName(QByteArray::fromStdString(alias));
    const QString reason = QString::fromLocal8Bit(QByteArray::fromStdString(resolution.reason));
    bool done = false;
    switch (resolution.outcome) {
    case AliasFileResolution::Outcome::resolved: {
        const QString target = QFile::decodeName(QByteArray::fromStdString(resolution.target));
        if (endless) {
            problems_ << tr("%1 leads to an alias that leads to another, more than %2 times: "
                            "nothing was opened.")
                             .arg(shown(path))
                             .arg(maxAliasHops);
            break;
        }
        done = action == Action::open ? opener_->open(target) : opener_->showInFolder(target);
        if (!done)
            problems_ << (action == Action::open
                              ? tr("Nothing could open %1, the target of %2.")
                              : tr("Neither the file manager nor any other application could "
                                   "show %1, the target of %2."))
                             .arg(shown(target), shown(path));
        break;
    }
    case AliasFileResolution::Outcome::broken:
        if (QDialog* dialog = brokenHandler_ ? brokenHandler_(followed, resolution) : nullptr) {
            ++windowsOpen_;
            connect(dialog, &QDialog::finished, this, &AliasOpenController::windowGone);
        } else {
            problems_ << tr("%1 is broken: its target is neither where it was nor anywhere "
                            "your path mappings lead.")
                             .arg(shown(followed));
        }
        break;
    case AliasFileResolution::Outcome::unreadable:
        problems_ << tr("Couldn't read the alias %1: %2.").arg(shown(followed), reason);
        break;
    case AliasFileResolution::Outcome::targetUnreadable:
        problems_ << tr("Couldn't read the way to the target of %1 (%2), so it isn't known "
                        "whether the target is still there.")
                         .arg(shown(followed), reason);
        break;
    case AliasFileResolution::Outcome::missing:
        problems_ << tr("There is no file %1.").arg(shown(followed));
        break;
    case AliasFileResolution::Outcome::notAlias:
        problems_ << tr("%1 is no Mac alias.").arg(shown(followed));
        break;
    }
    if (!done)
        failed_ = true;
}

void AliasOpenController::windowGone() {
    --windowsOpen_;
    finishWhenDone();
}

void AliasOpenController::finishWhenDone() {
    if (windowsOpen_ > 0 || finished_)
        return;
    finished_ = true;
    const int status = failed_ ? 1 : 0;
    QMetaObject::invokeMethod(
        this, [this, status] { emit finished(status); }, Qt::QueuedConnection);
}

} // namespace korvex
