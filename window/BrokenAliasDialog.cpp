#include "BrokenAliasDialog.h"

#include "BrokenAlias.h"
#include "DesktopOpener.h"
#include "GuiCall.h"
#include "MovedTargetsModel.h"
#include "MovedTargetsSearch.h"
#include "PathMappingStore.h"
#include "PrintableText.h"
#include "RelinkJournal.h"
#include "RelinkUndo.h"
#include "SharedPathMappings.h"
#include "SpinnerWidget.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>

namespace korvex {

namespace {

QString text(const std::string& bytes) {
    return QString::fromStdString(printable(bytes));
}

// A date stored by a Mac (seconds since the start of 2001, UTC) as the user's locale writes it.
QString macDateText(double seconds) {
    const QDateTime start(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc());
    return QLocale().toString(start.addMSecs(static_cast<qint64>(seconds * 1000)).toLocalTime(),
                              QLocale::LongFormat);
}

QString storedText(const std::optional<BrokenAlias>& alias) {
    if (!alias)
        return QObject::tr("The alias doesn't say which file it pointed to.");
    QString shown = QObject::tr("It pointed to: %1").arg(text(alias->storedPath()));
    if (alias->volumeName)
        shown += QLatin1Char('\n') + QObject::tr("On the disk: %1").arg(text(*alias->volumeName));
    if (alias->isDirectory)
        shown += QLatin1Char('\n') + (*alias->isDirectory ? QObject::tr("Kind: a folder")
                                                          : QObject::tr("Kind: a file"));
    if (alias->creationDate)
        shown +=
            QLatin1Char('\n') + QObject::tr("Created: %1").arg(macDateText(*alias->creationDate));
    return shown;
}

} // namespace

BrokenAliasDialog::BrokenAliasDialog(const QString& aliasPath,
                                     const std::vector<std::uint8_t>& data,
                                     std::shared_ptr<DesktopOpener> opener, QWidget* parent)
    : QDialog(parent), aliasPath_(QFile::encodeName(aliasPath).toStdString()),
      opener_(std::move(opener)) {
    const std::size_t slash = aliasPath_.rfind('/');
    setWindowTitle(tr("Broken Alias: %1").arg(text(aliasPath_.substr(slash + 1))));
    setAccessibleName(tr("Broken alias"));
    auto* layout = new QVBoxLayout(this);

    auto* heading = new QLabel(
        tr("The alias %1 is broken: its target is neither where it was nor anywhere your "
           "path mappings lead.")
            .arg(text(aliasPath_)),
        this);
    heading->setWordWrap(true);
    layout->addWidget(heading);
    storedLabel = new QLabel(
        storedText(BrokenAlias::from(aliasPath_, aliasPath_.substr(slash + 1), data)), this);
    storedLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    storedLabel->setAccessibleName(tr("Where the alias pointed"));
    layout->addWidget(storedLabel);

    auto* searchRow = new QHBoxLayout;
    spinner_ = new SpinnerWidget(this);
    searchRow->addWidget(spinner_);
    statusLabel = new QLabel(this);
    statusLabel->setWordWrap(true);
    statusLabel->setAccessibleName(tr("Search status"));
    searchRow->addWidget(statusLabel, 1);
    stopButton = new QPushButton(tr("&Stop"), this);
    stopButton->setAccessibleName(tr("Stop the search"));
    searchRow->addWidget(stopButton);
    layout->addLayout(searchRow);

    candidateList = new QListWidget(this);
    candidateList->setAccessibleName(tr("Where the target may have gone"));
    layout->addWidget(candidateList, 1);

    auto* buttons = new QDialogButtonBox(this);
    showButton = buttons->addButton(tr("Show in &Folder"), QDialogButtonBox::ActionRole);
    addMappingButton = buttons->addButton(tr("Add &Mapping"), QDialogButtonBox::ActionRole);
    undoButton = buttons->addButton(tr("&Undo Relink"), QDialogButtonBox::ActionRole);
    relinkButton = buttons->addButton(tr("&Relink..."), QDialogButtonBox::ActionRole);
    closeButton = buttons->addButton(tr("&Close"), QDialogButtonBox::RejectRole);
    showButton->setAccessibleName(tr("Show the alias in its folder"));
    addMappingButton->setAccessibleName(tr("Add the suggested path mapping"));
    undoButton->setAccessibleName(tr("Undo the relink"));
    relinkButton->setAccessibleName(tr("Relink the alias to the chosen place"));
    closeButton->setAccessibleName(tr("Close"));
    for (QPushButton* button :
         {showButton, addMappingButton, undoButton, relinkButton, closeButton}) {
        button->setAutoDefault(false); // Return never relinks
        button->setDefault(false);
    }
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(stopButton, &QPushButton::clicked, this, [this] {
        stop_.request_stop();
        statusLabel->setText(tr("Stopping\u2026"));
        stopButton->setEnabled(false);
    });
    connect(showButton, &QPushButton::clicked, this, [this] {
        if (!opener_->showInFolder(QFile::decodeName(QByteArray::fromStdString(aliasPath_))))
            statusLabel->setText(tr("No file manager could show the alias."));
    });
    connect(addMappingButton, &QPushButton::clicked, this, &BrokenAliasDialog::addMapping);
    connect(undoButton, &QPushButton::clicked, this, &BrokenAliasDialog::undoRelink);
    connect(relinkButton, &QPushButton::clicked, this, &BrokenAliasDialog::confirmRelink);
    connect(candidateList, &QListWidget::currentRowChanged, this,
            &BrokenAliasDialog::updateButtons);
    resize(640, 420);
    startSearch();
}

BrokenAliasDialog::~BrokenAliasDialog() {
    stop_.request_stop();
    pool_.waitForDone();
}

void BrokenAliasDialog::customEvent(QEvent* event) {
    GuiCall::takeOver(event); // before anything of it is read
    if (event->type() == GuiCall::callType()) {
        static_cast<GuiCall*>(event)->run();
        return;
    }
    QDialog::customEvent(event);
}

void BrokenAliasDialog::startSearch() {
    searching_ = true;
    statusLabel->setText(tr("Searching the alias's folder, everything below it and your path "
                            "mappings for where the target went\u2026"));
    spinner_->startAnimation();
    updateButtons();
    const std::string folder =
        aliasPath_.substr(0, std::max<std::size_t>(aliasPath_.rfind('/'), 1));
    std::vector<PathMapping> mappings = PathMappingStore().load().mappings;
    GuiCall::start(
        pool_, [this, folder, mappings = std::move(mappings), stop = StopFlag(stop_.get_token())] {
            std::shared_ptr<MovedTargetsSession> session;
            try {
                session = MovedTargetsSearch::run(folder, false, mappings, stop);
            } catch (...) {
                // Out of memory: said as a search that found nothing it could show.
            }
            // The dialog waits for this job as it goes, so it is there to post to.
            GuiCall::post(this, [this, session] { showCandidates(session); });
        });
}

void BrokenAliasDialog::showCandidates(std::shared_ptr<MovedTargetsSession> session) {
    searching_ = false;
    spinner_->stopAnimation();
    spinner_->hide();
    stopButton->hide();
    session_ = std::move(session);
    candidateList->clear();
    if (session_ && session_->result.index) {
        const CandidateIndex& index = *session_->result.index;
        for (std::size_t i = 0; i < index.aliases().size(); ++i) {
            if (index.aliases()[i].aliasPath == aliasPath_)
                aliasIndex_ = i;
        }
    }
    const bool stopped = stop_.stop_requested();
    if (!aliasIndex_) {
        statusLabel->setText(stopped ? tr("Stopped before anything was found.")
                                     : tr("The search couldn't look for the target: the alias "
                                          "names no file to look for, or changed meanwhile."));
        updateButtons();
        emit searchFinished();
        return;
    }
    const CandidateIndex& index = *session_->result.index;
    for (const Candidate& candidate : index.candidates(*aliasIndex_))
        candidateList->addItem(text(candidate.path));
    const BrokenAlias& alias = index.aliases()[*aliasIndex_];
    for (const SuggestedMapping& suggested : session_->result.suggestions) {
        const std::string& prefix = suggested.mapping.macPrefix;
        const std::string stored = alias.storedPath();
        if (stored.compare(0, prefix.size(), prefix) == 0 &&
            (stored.size() == prefix.size() || stored[prefix.size()] == '/' ||
             prefix.back() == '/')) {
            suggestion_ = suggested.mapping;
            break;
        }
    }
    QString status;
    if (candidateList->count() == 0) {
        status = stopped ? tr("Stopped: nothing found so far.")
                         : tr("Nothing of the same name was found in the alias's folder, below "
                              "it or in the local folders of your path mappings.");
    } else {
        candidateList->setCurrentRow(0); // the best first
        status = stopped ? tr("Stopped: the best places found so far.")
                         : tr("The best places the target may have gone to, the likeliest first.");
    }
    if (suggestion_)
        status += QLatin1Char(' ') +
                  tr("The disk seems to have moved: a path mapping of %1 to %2 would fix it and "
                     "every other alias into it.")
                      .arg(text(suggestion_->macPrefix), text(suggestion_->localFolder));
    statusLabel->setText(status);
    updateButtons();
    emit searchFinished();
}

void BrokenAliasDialog::updateButtons() {
    const int row = candidateList->currentRow();
    bool relinkable = !searching_ && !busy_ && !confirmation && aliasIndex_ && row >= 0;
    if (relinkable) {
        const std::size_t alias = *aliasIndex_;
        // As Find Moved Targets: a classic record is kept, and a place that leads back to no
        // Mac path can only be reached through a mapping.
        relinkable = !session_->result.index->aliases()[alias].classic &&
                     session_->leadsBack[alias][static_cast<std::size_t>(row)];
    }
    relinkButton->setEnabled(relinkable && lastRelink_.empty());
    undoButton->setEnabled(!busy_ && !lastRelink_.empty());
    addMappingButton->setVisible(suggestion_.has_value());
    addMappingButton->setEnabled(!busy_ && suggestion_.has_value());
}

void BrokenAliasDialog::confirmRelink() {
    const int row = candidateList->currentRow();
    if (!relinkButton->isEnabled() || row < 0)
        return;
    auto* box = new QMessageBox(QMessageBox::Question, tr("Relink Alias"),
                                tr("Relink the alias to %1?").arg(candidateList->item(row)->text()),
                                QMessageBox::NoButton, this);
    box->setInformativeText(tr("This rewrites the alias file. Undo Relink here, or "
                               "korvex-scan --undo-relink, puts it back."));
    QPushButton* relinkChoice = box->addButton(tr("&Relink"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(tr("&Cancel"), QMessageBox::RejectRole);
    // Return in the confirmation is "Cancel": only a deliberate press of Relink relinks.
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    confirmation = box;
    connect(box, &QMessageBox::finished, this, [this, box, relinkChoice, row] {
        const bool confirmed = box->clickedButton() == relinkChoice;
        confirmation = nullptr;
        box->deleteLater();
        if (confirmed)
            relink(static_cast<std::size_t>(row));
        updateButtons();
    });
    updateButtons();
    box->open();
}

void BrokenAliasDialog::relink(std::size_t candidate) {
    busy_ = true;
    statusLabel->setText(tr("Relinking\u2026"));
    updateButtons();
    const std::vector<AliasRepair::Choice> choices{{*aliasIndex_, candidate}};
    // What this relink adds to the session's result (an undone relink may come before it).
    const std::size_t recordsBefore = session_->result.journalRecords.size();
    const std::size_t relinkedBefore = session_->result.relinked.size();
    const std::size_t failedBefore = session_->result.failed.size();
    GuiCall::start(
        pool_, [this, session = session_, choices, recordsBefore, relinkedBefore, failedBefore] {
            try {
                if (session->relinker)
                    AliasRepair::relink(session->request, session->result, choices,
                                        *session->relinker, session->mounts);
            } catch (...) {
                // What was relinked stays relinked; the result says what was done.
            }
            GuiCall::post(this, [this, recordsBefore, relinkedBefore, failedBefore] {
                busy_ = false;
                const RepairResult& result = session_->result;
                if (!result.journalProblem.empty()) {
                    statusLabel->setText(
                        tr("Couldn't use the relink journal (%1): nothing was relinked.")
                            .arg(text(result.journalProblem)));
                } else if (result.failed.size() > failedBefore) {
                    statusLabel->setText(
                        tr("Couldn't relink the alias: %1").arg(text(result.failed.back().reason)));
                } else if (result.relinked.size() > relinkedBefore) {
                    lastRelink_.assign(result.journalRecords.begin() +
                                           static_cast<std::ptrdiff_t>(recordsBefore),
                                       result.journalRecords.end());
                    statusLabel->setText(tr("Relinked to %1. Undo Relink puts the alias back.")
                                             .arg(text(result.relinked.back().targetPath)));
                } else {
                    statusLabel->setText(tr("The alias couldn't be read again: nothing was "
                                            "relinked."));
                }
                updateButtons();
                emit relinkDone();
            });
        });
}

void BrokenAliasDialog::undoRelink() {
    if (lastRelink_.empty() || busy_)
        return;
    busy_ = true;
    statusLabel->setText(tr("Undoing the relink\u2026"));
    updateButtons();
    GuiCall::start(pool_, [this, folder = session_->request.folder, records = lastRelink_] {
        auto result = std::make_shared<UndoResult>();
        try {
            if (!RelinkUndo::run(folder, RelinkJournal(), *result, {}, FileCalls::system(), {},
                                 &records))
                result->journalProblem = "the folder " + folder + " can't be opened";
        } catch (...) {
            result->journalProblem = "the undo ran out of memory";
        }
        GuiCall::post(this, [this, result] {
            busy_ = false;
            if (!result->journalProblem.empty()) {
                statusLabel->setText(tr("Couldn't undo the relink (%1): nothing was restored.")
                                         .arg(text(result->journalProblem)));
            } else if (!result->restored.empty()) {
                lastRelink_.clear();
                statusLabel->setText(tr("The alias is back as it was."));
            } else if (!result->changed.empty()) {
                lastRelink_.clear();
                statusLabel->setText(tr("Left as it is: the alias changed since the relink."));
            } else {
                statusLabel->setText(tr("Couldn't restore the alias."));
            }
            updateButtons();
            emit undoDone();
        });
    });
}

void BrokenAliasDialog::addMapping() {
    if (!suggestion_)
        return;
    QString error;
    if (!SharedPathMappings::instance()->add(*suggestion_, error)) {
        statusLabel->setText(tr("Couldn't add the mapping: %1").arg(error));
        return;
    }
    statusLabel->setText(tr("Added the mapping of %1 to %2: the alias resolves through it "
                            "now, as every scan does.")
                             .arg(text(suggestion_->macPrefix), text(suggestion_->localFolder)));
    suggestion_.reset();
    updateButtons();
}

} // namespace korvex
