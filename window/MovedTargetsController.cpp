#include "MovedTargetsController.h"

#include "AliasScanner.h"
#include "GuiCall.h"
#include "MovedTargetsDialog.h"
#include "MovedTargetsHost.h"
#include "MovedTargetsSession.h"
#include "PathMappingStore.h"
#include "linux/PosixAliasPlatform.h"
#include "linux/RelinkSummary.h"
#include "relink/MacPathFinder.h"

#include <QHBoxLayout>
#include <QPushButton>

#include <utility>

namespace korvex {

namespace {

struct NoAnswer : ScanResponder {
    void scanFinished(std::shared_ptr<ScanReport>) override {}
    void folderNotFound() override {}
};

std::shared_ptr<MovedTargetsSession> searchNow(const std::string& folder, bool mark,
                                               std::vector<PathMapping> mappings) {
    auto session = std::make_shared<MovedTargetsSession>();
    session->request.folder = folder;
    session->request.mappings = mappings;
    session->request.relink = true;
    session->request.mark = mark;
    // Opened before the walk: the relink reaches the aliases from this very folder.
    session->relinker = std::make_shared<AliasRelinker>(folder);
    session->mounts = MountTable::readSystem();
    PosixAliasPlatform platform(mappings);
    ScanRecorder recorder(platform, folder, false);
    NoAnswer answer;
    AliasScanner(recorder).runScan(scanOptionsForFolder(folder), std::make_shared<ScanReport>(),
                                   answer);
    recorder.finish();
    session->result = AliasRepair::search(session->request, recorder, session->mounts);
    const MacPathFinder finder(mappings, session->mounts);
    const CandidateIndex& index = *session->result.index;
    for (std::size_t i = 0; i < index.aliases().size(); ++i) {
        std::vector<bool> leads;
        for (const Candidate& candidate : index.candidates(i)) {
            leads.push_back(finder.macPath(index.aliases()[i], candidate.path).has_value());
        }
        session->leadsBack.push_back(std::move(leads));
    }
    return session;
}

} // namespace

MovedTargetsController::MovedTargetsController(MovedTargetsHost& host, QWidget* parent)
    : QObject(parent), view_(host) {
    findButton = new QPushButton(tr("Find Moved Targets..."), parent);
    findButton->setObjectName(QStringLiteral("findMovedTargetsButton"));
    findButton->setToolTip(tr("Look for where the targets of the broken aliases went, and "
                              "relink them"));
    if (auto* row = parent->findChild<QHBoxLayout*>(QStringLiteral("optionRow"))) {
        row->addWidget(findButton);
    }
    connect(findButton, &QPushButton::clicked, this, &MovedTargetsController::findMovedTargets);
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
    findButton->setEnabled(!busy_ && !view_.isScanning() && view_.lastBrokenCount() > 0 &&
                           !view_.scannedFolder().empty());
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
            session = searchNow(folder, mark, mappings);
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
    findButton->setText(tr("Find Moved Targets..."));
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
    relinkSummary_ = QString::fromUtf8(RelinkSummary::text(session.result));
    relinkFailed_ = !session.result.failed.empty();
    if (dialog_) {
        dialog_->relinkFinished();
    }
    // The summary follows the report of the next scan to answer: this one, or the one running.
    if (!view_.isScanning()) {
        view_.rescanAfterRelink();
    }
}

void MovedTargetsController::showRelinkSummary() {
    if (relinkSummary_.isEmpty()) {
        return;
    }
    view_.appendOutputText(QStringLiteral("\n\n") + std::exchange(relinkSummary_, QString()));
    if (std::exchange(relinkFailed_, false)) {
        view_.showStatus(tr("Some aliases couldn't be relinked: the end of the report says "
                            "which, and why."));
    }
}

} // namespace korvex
