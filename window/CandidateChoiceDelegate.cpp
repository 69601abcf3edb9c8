#include "CandidateChoiceDelegate.h"

#include "MovedTargetsModel.h"

#include <QComboBox>

namespace korvex {

QWidget* CandidateChoiceDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                               const QModelIndex& index) const {
    auto* box = new QComboBox(parent);
    box->addItems(index.data(MovedTargetsModel::candidatesRole).toStringList());
    return box;
}

void CandidateChoiceDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    static_cast<QComboBox*>(editor)->setCurrentIndex(
        index.data(MovedTargetsModel::chosenRole).toInt());
}

void CandidateChoiceDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                           const QModelIndex& index) const {
    model->setData(index, static_cast<QComboBox*>(editor)->currentIndex(), Qt::EditRole);
}

} // namespace korvex
