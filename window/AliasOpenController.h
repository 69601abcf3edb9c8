#pragma once

#include "AliasFileResolution.h"
#include "PlatformFactory.h"

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>

class QDialog;
class QMessageBox;

namespace korvex {

class DesktopOpener;

/// What `korvex --open` and `korvex --show-original` do with the aliases they are given:
/// each is resolved as a scan resolves it (see AliasFileResolution, with the user's path
/// mappings as stored now), then its target is opened with the desktop's default application,
/// or shown selected in its folder; a target that is an alias itself is followed here (at
/// most `maxAliasHops` times), not handed back to the desktop. Nothing is written. A broken alias
/// goes to `brokenAlias` (the program shows its dialog there); what couldn't be done for the others
/// (an alias or a target that couldn't be read, no alias at all, nothing to open the target with)
/// is said in one message at the end, never as "broken". GUI thread only.
class AliasOpenController : public QObject {
    Q_OBJECT
public:
    enum class Action { open, showOriginal };
    /// The most aliases followed from one alias to the file it finally leads to.
    static constexpr int maxAliasHops = 8;
    /// Shows what to do about the broken alias at `path` and answers the dialog shown, or
    /// null when there is none; `finished` waits until that dialog has finished.
    using BrokenAliasHandler =
        std::function<QDialog*(const QString& path, const AliasFileResolution& resolution)>;

    AliasOpenController(PlatformFactory makePlatform, std::shared_ptr<DesktopOpener> opener,
                        QObject* parent = nullptr);

    void setBrokenAliasHandler(BrokenAliasHandler handler) { brokenHandler_ = std::move(handler); }

    /// Handles each of `arguments` (paths, or file: URLs) in turn; `finished` follows, queued,
    /// once every window shown is closed.
    void run(const QStringList& arguments, Action action);

    /// The message saying what couldn't be done, while it is shown.
    QPointer<QMessageBox> problemMessage;

signals:
    /// 0 when every alias's target was opened (or shown), else 1.
    void finished(int status);

private:
    void handle(AliasPlatform& platform, const QString& path, Action action);
    void windowGone();
    void finishWhenDone();

    PlatformFactory makePlatform_;
    std::shared_ptr<DesktopOpener> opener_;
    BrokenAliasHandler brokenHandler_;
    QStringList problems_;
    bool failed_ = false;
    int windowsOpen_ = 0;
    bool finished_ = false;
};

} // namespace korvex
