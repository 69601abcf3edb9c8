#include "MovedTargetsController.h"

#include "GuiCall.h"
#include "MovedTargetsDialog.h"
#include "MovedTargetsHost.h"
#include "MovedTargetsSearch.h"
#include "MovedTargetsSession.h"
#include "PathMappingStore.h"
#include "PrintableText.h"
#include "RelinkSummary.h"
#include "RelinkUndo.h"
#include "UiLanguage.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>

#include <utility>

namespace korvex {

MovedTargetsController::MovedTargetsController(MovedTargetsHost& host, QWidget* parent)
    : QObject(parent), view_(host) {
    findButton = new QPushButton(tr("Find &Moved Targets..."), parent);
    findButton->setObjectName(QStringLiteral("findMovedTargetsButton"));
    findButton->setToolTip(tr("Look for where the targets of the broken aliases went, and "
                              "relink them"));
    if (auto* row = parent->findChild<QHBoxLayout*>(QStringLiteral("optionRow"))) {
        row->addWidget(findButton);
    }
    connect(findButton, &QPushButton::clicked, this, &MovedTargetsController::findMovedTargets);
    findAction = new QAction(tr("Find &Moved Targets..."), this);
    connect(findAction, &QAction::triggered, this, &MovedTargetsController::findMovedTargets);
    undoAction = new QAction(tr("&Undo Relink"), this);
    undoAction->setShortcut(QKeySequence::Undo);
    connect(undoAction, &QAction::triggered, this, &MovedTargetsController::undoRelink);
    updateButton();
}

void MovedTargetsController::scanAnswered() {
    updateButton();
    showRelinkSummary();
}

MovedTargetsDialog* MovedTargetsController::dialog() const {
    return dialog_;
}

void MovedTargetsController::updateButton() {
    const bool idle = !busy_ && !view_.isScanning();
    const bool found = idle && view_.lastBrokenCount() > 0 && !view_.scannedFolder().empty();
    findButton->setEnabled(found);
    findAction->setEnabled(found);
    undoAction->setEnabled(idle && lastRelink_.has_value());
}

void MovedTargetsController::findMovedTargets() {
    updateButton();
    if (!findButton->isEnabled()) {
        return;
    }
    busy_ = true;
    updateButton();
    findButton->setText(tr("Finding Moved Targets\u2026"));
    const std::string folder = view_.scannedFolder();
    const bool mark = view_.marksBrokenAliases();
    std::vector<PathMapping> mappings = PathMappingStore().load().mappings;
    QPointer<MovedTargetsController> self(this);
    // The view outlives its pool's jobs (the pool waits for them as the view goes), so the
    // answer can always be posted to it; `self` says whether anyone still wants it.
    QObject* view = view_.answerReceiver();
    GuiCall::start(view_.jobPool(), [self, view, folder, mark, mappings = std::move(mappings)] {
        std::shared_ptr<MovedTargetsSession> session;
        try {
            session = MovedTargetsSearch::run(folder, mark, mappings);
        } catch (...) {
            // Out of memory: the window gets its button back, without a dialog.
        }
        GuiCall::post(view, [self, session] {
            if (self) {
                self->searchFinished(session);
            }
        });
    });
}

void MovedTargetsController::searchFinished(std::shared_ptr<MovedTargetsSession> session) {
    busy_ = false;
    findButton->setText(tr("Find &Moved Targets..."));
    updateButton();
    if (!session || !session->result.index) {
        return;
    }
    if (dialog_) {
        dialog_->close();
    }
    dialog_ = new MovedTargetsDialog(session, view_.dialogParent());
    dialog_->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog_, &MovedTargetsDialog::relinkRequested, this,
            [this, session](std::vector<AliasRepair::Choice> choices) {
                busy_ = true; // no second relink, search or undo meanwhile
                updateButton();
                QPointer<MovedTargetsController> self(this);
                QObject* view = view_.answerReceiver();
                GuiCall::start(
                    view_.jobPool(), [self, view, session, choices = std::move(choices)] {
                        try {
                            if (session->relinker) {
                                AliasRepair::relink(session->request, session->result, choices,
                                                    *session->relinker, session->mounts);
                            }
                        } catch (...) {
                            // What was relinked stays relinked; the next scan shows where it is.
                        }
                        GuiCall::post(view, [self, session] {
                            if (self) {
                                self->relinkFinished(*session);
                            }
                        });
                    });
            });
    dialog_->open();
    emit dialogShown();
}

void MovedTargetsController::relinkFinished(const MovedTargetsSession& session) {
    busy_ = false;
    const RepairResult& result = session.result;
    relinkSummary_ = QString::fromUtf8(RelinkSummary::text(result, UiLanguage::catalog()));
    if (!result.journalProblem.empty()) {
        relinkSummary_ += tr("Couldn't use the relink journal (%1): nothing was relinked\n")
                              .arg(QString::fromStdString(printable(RelinkSummary::reason(
                                  result.journalProblem, UiLanguage::catalog()))));
    }
    relinkFailed_ = !result.failed.empty() || !result.unreadable.empty() ||
                    !result.journalProblem.empty() || RelinkSummary::sidecarFailed(result);
    failureStatus_ = tr("Some aliases couldn't be relinked: the end of the report says which, "
                        "and why.");
    if (!result.journalRecords.empty()) {
        lastRelink_ = LastRelink{session.request.folder, result.journalRecords};
        relinkSummary_ += tr("Edit > Undo Relink (Ctrl+Z) puts these aliases back.\n");
    }
    if (dialog_) {
        dialog_->relinkFinished();
    }
    scanAgain();
}

void MovedTargetsController::scanAgain() {
    updateButton();
    // The summary follows the report of the next scan to answer: this one, or the one running.
    if (!view_.isScanning()) {
        view_.rescanAfterRelink(); // only a read: nobody asked it to mark or refresh anything
    }
}

void MovedTargetsController::undoRelink() {
    updateButton();
    if (!undoAction->isEnabled() || !lastRelink_) {
        return;
    }
    busy_ = true;
    updateButton();
    view_.showStatus(tr("Undoing the last relink\u2026"));
    QPointer<MovedTargetsController> self(this);
    QObject* view = view_.answerReceiver();
    GuiCall::start(view_.jobPool(), [self, view, last = *lastRelink_] {
        auto result = std::make_shared<UndoResult>();
        try {
            if (!RelinkUndo::run(last.folder, RelinkJournal(), *result, {}, FileCalls::system(), {},
                                 &last.records)) {
                result->journalProblem = tr("the folder %1 can't be opened")
                                             .arg(QString::fromStdString(last.folder))
                                             .toStdString();
            }
        } catch (...) {
            result->journalProblem = tr("the undo ran out of memory").toStdString();
        }
        GuiCall::post(view, [self, result] {
            if (self) {
                self->undoFinished(*result);
            }
        });
    });
}

void MovedTargetsController::undoFinished(const UndoResult& result) {
    busy_ = false;
    QString text;
    if (!result.journalProblem.empty()) {
        // Nothing was undone: the relink can still be, later.
        text = tr("Couldn't undo the relink (%1): nothing was restored\n")
                   .arg(QString::fromStdString(printable(result.journalProblem)));
    } else {
        lastRelink_.reset();
        text = tr("Restored %n aliases.\n", "", static_cast<int>(result.restored.size()));
        for (const std::string& path : result.restored) {
            text += QString::fromStdString(printable(path)) + QLatin1Char('\n');
        }
        for (const std::string& path : result.changed) {
            text += tr("Left as it is (changed since the relink): %1\n")
                        .arg(QString::fromStdString(printable(path)));
        }
        for (const std::string& path : result.failed) {
            text += tr("Couldn't restore %1\n").arg(QString::fromStdString(printable(path)));
        }
    }
    relinkSummary_ = text;
    relinkFailed_ =
        !result.journalProblem.empty() || !result.changed.empty() || !result.failed.empty();
    failureStatus_ = tr("Some aliases couldn't be restored: the end of the report says which.");
    emit undoDone();
    scanAgain();
}

void MovedTargetsController::showRelinkSummary() {
    if (relinkSummary_.isEmpty()) {
        return;
    }
    view_.appendOutputText(QStringLiteral("\n\n") + std::exchange(relinkSummary_, QString()));
    if (std::exchange(relinkFailed_, false) && !failureStatus_.isEmpty()) {
        view_.showStatus(std::exchange(failureStatus_, QString()));
    }
}

} // namespace korvex
