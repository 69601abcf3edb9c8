#pragma once

#include <QObject>
#include <QPointer>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QPushButton;
class QWidget;

namespace korvex {

class MovedTargetsDialog;
class MovedTargetsHost;
struct MovedTargetsSession;
struct UndoResult;

/// "Find Moved Targets..." of one window: the button beside the report (on after a scan that
/// found broken aliases) and its menu action. Runs the scan with the candidate search on the
/// window's pool, shows the dialog, runs the chosen relinks on the pool and then scans again,
/// so the window shows the new report, followed by what the relink did (see RelinkSummary:
/// every alias it couldn't relink, and why). Edit > Undo Relink puts the last relink back from
/// the relink journal (as `korvex-scan --undo-relink` does, but only that relink's records),
/// then scans again. The scans after a relink or an undo only read: the user asked for the
/// relink, not for marks or refreshes. Nothing here blocks the GUI thread.
class MovedTargetsController : public QObject {
    Q_OBJECT
public:
    /// `host`: the window's side, which outlives this controller; the button goes into
    /// `parent`'s row of options.
    MovedTargetsController(MovedTargetsHost& host, QWidget* parent);

    QPushButton* findButton = nullptr;
    /// Edit > Find Moved Targets... and Edit > Undo Relink (Ctrl+Z), for the window's menu:
    /// enabled exactly when they can do something.
    QAction* findAction = nullptr;
    QAction* undoAction = nullptr;
    /// The dialog open now, or null.
    MovedTargetsDialog* dialog() const;

public slots:
    void findMovedTargets();
    /// Puts the aliases of the last relink back, then scans again.
    void undoRelink();
    /// The window's scan has answered.
    void scanAnswered();
    /// Scanning started or ended: what the button and the actions offer may differ.
    void updateButton();

signals:
    /// The dialog was opened (tests wait for it).
    void dialogShown();
    /// An undo has been done; the scan after it is running.
    void undoDone();

private:
    void searchFinished(std::shared_ptr<MovedTargetsSession> session);
    void relinkFinished(const MovedTargetsSession& session);
    void undoFinished(const UndoResult& result);
    void showRelinkSummary();
    void scanAgain();

    MovedTargetsHost& view_;
    QPointer<MovedTargetsDialog> dialog_;
    bool busy_ = false;
    /// What the last relink (or undo) did, shown below the report of the scan after it.
    QString relinkSummary_;
    bool relinkFailed_ = false;
    QString failureStatus_; // the status line then
    /// The journal records of the last relink, while it can still be undone here.
    struct LastRelink {
        std::string folder;
        std::vector<std::uint64_t> records;
    };
    std::optional<LastRelink> lastRelink_;
};

} // namespace korvex
