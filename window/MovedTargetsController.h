#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QPushButton;
class QWidget;

namespace korvex {

class MovedTargetsDialog;
class MovedTargetsHost;
struct MovedTargetsSession;

/// "Find Moved Targets..." of one window: the button beside the report (on after a scan that
/// found broken aliases) and its menu action. Runs the scan with the candidate search on the
/// window's pool, shows the dialog, runs the chosen relinks on the pool and then scans again,
/// so the window shows the new report, followed by what the relink did (see RelinkSummary:
/// every alias it couldn't relink, and why). Nothing here blocks the GUI thread.
class MovedTargetsController : public QObject {
    Q_OBJECT
public:
    /// `host`: the window's side, which outlives this controller; the button goes into
    /// `parent`'s row of options.
    MovedTargetsController(MovedTargetsHost& host, QWidget* parent);

    QPushButton* findButton = nullptr;
    /// The dialog open now, or null.
    MovedTargetsDialog* dialog() const;

public slots:
    void findMovedTargets();
    /// The window's scan has answered.
    void scanAnswered();

signals:
    /// The dialog was opened (tests wait for it).
    void dialogShown();

private:
    void searchFinished(std::shared_ptr<MovedTargetsSession> session);
    void relinkFinished(const MovedTargetsSession& session);
    void updateButton();
    void showRelinkSummary();

    MovedTargetsHost& view_;
    QPointer<MovedTargetsDialog> dialog_;
    bool busy_ = false;
    /// What the last relink did, shown below the report of the scan after it.
    QString relinkSummary_;
    bool relinkFailed_ = false;
};

} // namespace korvex
