#pragma once

#include <QStyledItemDelegate>

namespace korvex {

/// Lets the user pick another candidate of a row of the Find Moved Targets dialog from a
/// combo box (the model's candidates and chosen roles).
class CandidateChoiceDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
};

} // namespace korvex
