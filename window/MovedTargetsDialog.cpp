#include "MovedTargetsDialog.h"

#include "CandidateChoiceDelegate.h"
#include "SharedPathMappings.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace korvex {

MovedTargetsDialog::MovedTargetsDialog(std::shared_ptr<MovedTargetsSession> session,
                                       QWidget* parent)
    : QDialog(parent), session_(std::move(session)), model_(new MovedTargetsModel(session_, this)) {
    setWindowTitle(tr("Find Moved Targets"));
    auto* layout = new QVBoxLayout(this);

    auto* intro = new QLabel(tr("&Broken aliases and where their targets may be now. Checked "
                                "rows are relinked; double-click a new target to pick "
                                "another."),
                             this);
    intro->setWordWrap(true);
    layout->addWidget(intro);
    table = new QTableView(this);
    table->setObjectName(QStringLiteral("movedTargetsTable"));
    table->setAccessibleName(tr("Broken aliases"));
    table->setAccessibleDescription(tr("Checked rows are relinked. Space checks or clears a row; "
                                       "F2 picks another new target."));
    intro->setBuddy(table);
    table->setModel(model_);
    table->setItemDelegateForColumn(MovedTargetsModel::targetColumn,
                                    new CandidateChoiceDelegate(table));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Tab leaves the table for the next control, as everywhere else in the dialog; the arrow
    // keys move between rows and cells.
    table->setTabKeyNavigation(false);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->resizeColumnsToContents();
    layout->addWidget(table, 1);

    auto* mappingsLabel = new QLabel(this);
    layout->addWidget(mappingsLabel);
    mappingList = new QListWidget(this);
    mappingList->setObjectName(QStringLiteral("suggestedMappings"));
    mappingList->setAccessibleName(tr("Suggested path mappings"));
    mappingList->setAccessibleDescription(
        tr("Add Mapping stores the selected one; Delete takes it off this list."));
    mappingsLabel->setBuddy(mappingList);
    for (const SuggestedMapping& suggestion : session_->result.suggestions) {
        auto* item = new QListWidgetItem(
            tr("%1 = %2   (fixes %n aliases)", "", static_cast<int>(suggestion.fixes))
                .arg(QString::fromStdString(suggestion.mapping.macPrefix),
                     QString::fromStdString(suggestion.mapping.localFolder)),
            mappingList);
        item->setData(Qt::UserRole, QString::fromStdString(suggestion.mapping.macPrefix));
        item->setData(Qt::UserRole + 1, QString::fromStdString(suggestion.mapping.localFolder));
    }
    mappingList->setMaximumHeight(90);
    layout->addWidget(mappingList);
    if (mappingList->count() > 0) {
        mappingsLabel->setText(tr("&Suggested path mappings (the aliases stay exactly as the "
                                  "Mac wrote them):"));
    } else {
        mappingsLabel->setText(tr("No path mapping to suggest."));
        mappingList->hide();
    }

    statusLabel = new QLabel(this);
    statusLabel->setWordWrap(true);
    layout->addWidget(statusLabel);
    if (model_->rowCount() == 0) {
        statusLabel->setText(tr("No broken aliases were found this time: there is nothing to "
                                "relink."));
    } else if (!model_->anyCandidate()) {
        statusLabel->setText(tr("No new target was found for any of the %n broken aliases: no "
                                "entry of the same name is in the scanned folder or in the "
                                "local folders of the path mappings.",
                                "", model_->rowCount()));
    }

    auto* buttons = new QDialogButtonBox(this);
    closeButton = buttons->addButton(tr("&Close"), QDialogButtonBox::RejectRole);
    addMappingButton = buttons->addButton(tr("&Add Mapping"), QDialogButtonBox::ActionRole);
    // An action, not the dialog's acceptance: the button box makes no default of it.
    relinkButton = buttons->addButton(QString(), QDialogButtonBox::ActionRole);
    for (QPushButton* button : {closeButton, addMappingButton, relinkButton}) {
        button->setAutoDefault(false); // Return in the table presses nothing
        button->setDefault(false);
    }
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(addMappingButton, &QPushButton::clicked, this, &MovedTargetsDialog::addMapping);
    connect(relinkButton, &QPushButton::clicked, this, &MovedTargetsDialog::confirmRelink);
    connect(mappingList, &QListWidget::currentRowChanged, this, &MovedTargetsDialog::updateButtons);
    // Delete takes the selected suggestion off the list: nothing stored changes.
    auto* removeKey = new QAction(mappingList);
    removeKey->setShortcut(QKeySequence::Delete);
    removeKey->setShortcutContext(Qt::WidgetShortcut);
    mappingList->addAction(removeKey);
    connect(removeKey, &QAction::triggered, this, [this] {
        delete mappingList->currentItem();
        updateButtons();
    });
    connect(model_, &QAbstractItemModel::dataChanged, this, &MovedTargetsDialog::updateButtons);
    if (mappingList->count() > 0) {
        mappingList->setCurrentRow(0);
    }
    updateButtons();
    resize(900, 480);
}

void MovedTargetsDialog::updateButtons() {
    QListWidgetItem* item = mappingList->currentItem();
    addMappingButton->setEnabled(item && (item->flags() & Qt::ItemIsEnabled));
    const auto checked = static_cast<int>(model_->choices().size());
    relinkButton->setText(tr("&Relink %n Checked", "", checked));
    relinkButton->setEnabled(checked > 0 && !confirmation && !relinking_);
}

void MovedTargetsDialog::confirmRelink() {
    const std::vector<AliasRepair::Choice> choices = model_->choices();
    if (choices.empty() || confirmation || relinking_) {
        return;
    }
    const auto count = static_cast<int>(choices.size());
    auto* box = new QMessageBox(QMessageBox::Question, tr("Relink Aliases"),
                                tr("Relink %n aliases to the new targets shown?", "", count),
                                QMessageBox::NoButton, this);
    box->setInformativeText(
        tr("This rewrites %n alias files. Edit > Undo Relink (Ctrl+Z) in the main window puts "
           "them back, as korvex-scan --undo-relink does.",
           "", count));
    QPushButton* relink = box->addButton(tr("&Relink"), QMessageBox::AcceptRole);
    QPushButton* cancel = box->addButton(tr("&Cancel"), QMessageBox::RejectRole);
    // Return in the confirmation is "Cancel": only a deliberate press of Relink relinks.
    box->setDefaultButton(cancel);
    box->setEscapeButton(cancel);
    confirmation = box;
    connect(box, &QMessageBox::finished, this, [this, box, relink, choices] {
        const bool confirmed = box->clickedButton() == relink;
        confirmation = nullptr;
        box->deleteLater();
        if (!confirmed) {
            updateButtons();
            return;
        }
        relinking_ = true;
        relinkButton->setEnabled(false);
        statusLabel->setText(tr("Relinking\u2026"));
        emit relinkRequested(choices);
    });
    updateButtons();
    box->open();
}

void MovedTargetsDialog::addMapping() {
    QListWidgetItem* item = mappingList->currentItem();
    if (!item) {
        return;
    }
    const PathMapping mapping{item->data(Qt::UserRole).toString().toStdString(),
                              item->data(Qt::UserRole + 1).toString().toStdString()};
    QString error;
    if (!SharedPathMappings::instance()->add(mapping, error)) {
        statusLabel->setText(tr("Couldn't add the mapping: %1").arg(error));
        return;
    }
    item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    statusLabel->setText(tr("Added. The next scan resolves the aliases through it."));
    updateButtons();
}

void MovedTargetsDialog::relinkFinished() {
    accept();
}

} // namespace korvex
