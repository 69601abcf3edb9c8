#include "MovedTargetsDialog.h"

#include "CandidateChoiceDelegate.h"
#include "PathMappingStore.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace korvex {

MovedTargetsDialog::MovedTargetsDialog(std::shared_ptr<MovedTargetsSession> session,
                                       QWidget* parent)
    : QDialog(parent), session_(std::move(session)), model_(new MovedTargetsModel(session_, this)) {
    setWindowTitle(tr("Find Moved Targets"));
    auto* layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(tr("Broken aliases and where their targets may be now. Checked "
                                    "rows are relinked; double-click a new target to pick "
                                    "another."),
                                 this));
    table = new QTableView(this);
    table->setModel(model_);
    table->setItemDelegateForColumn(MovedTargetsModel::targetColumn,
                                    new CandidateChoiceDelegate(table));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    table->resizeColumnsToContents();
    layout->addWidget(table, 1);

    layout->addWidget(new QLabel(tr("Suggested path mappings (the aliases stay exactly as the "
                                    "Mac wrote them):"),
                                 this));
    mappingList = new QListWidget(this);
    for (const SuggestedMapping& suggestion : session_->result.suggestions) {
        auto* item =
            new QListWidgetItem(tr("%1 = %2   (fixes %3 aliases)")
                                    .arg(QString::fromStdString(suggestion.mapping.macPrefix),
                                         QString::fromStdString(suggestion.mapping.localFolder))
                                    .arg(suggestion.fixes),
                                mappingList);
        item->setData(Qt::UserRole, QString::fromStdString(suggestion.mapping.macPrefix));
        item->setData(Qt::UserRole + 1, QString::fromStdString(suggestion.mapping.localFolder));
    }
    mappingList->setMaximumHeight(90);
    layout->addWidget(mappingList);

    status_ = new QLabel(this);
    layout->addWidget(status_);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    addMappingButton = buttons->addButton(tr("Add Mapping"), QDialogButtonBox::ActionRole);
    relinkButton = buttons->addButton(tr("Relink Selected"), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(addMappingButton, &QPushButton::clicked, this, &MovedTargetsDialog::addMapping);
    connect(relinkButton, &QPushButton::clicked, this, [this] {
        relinkButton->setEnabled(false);
        status_->setText(tr("Relinking\u2026"));
        emit relinkRequested(model_->choices());
    });
    connect(mappingList, &QListWidget::currentRowChanged, this, &MovedTargetsDialog::updateButtons);
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
    relinkButton->setEnabled(!model_->choices().empty());
}

void MovedTargetsDialog::addMapping() {
    QListWidgetItem* item = mappingList->currentItem();
    if (!item) {
        return;
    }
    const PathMapping mapping{item->data(Qt::UserRole).toString().toStdString(),
                              item->data(Qt::UserRole + 1).toString().toStdString()};
    const PathMappingStore store;
    std::vector<PathMapping> mappings = store.load().mappings;
    if (std::find(mappings.begin(), mappings.end(), mapping) == mappings.end()) {
        mappings.push_back(mapping);
    }
    std::string error;
    if (!store.save(mappings, error)) {
        status_->setText(tr("Couldn't add the mapping: %1").arg(QString::fromStdString(error)));
        return;
    }
    item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    status_->setText(tr("Added. The next scan resolves the aliases through it."));
    updateButtons();
}

void MovedTargetsDialog::relinkFinished() {
    accept();
}

} // namespace korvex
