#pragma once

#include "MovedTargetsSession.h"

#include <QAbstractTableModel>

#include <memory>
#include <vector>

namespace korvex {

/// The rows of the Find Moved Targets dialog: one per broken alias, with its stored target,
/// the chosen new target (the best candidate at first; any other can be chosen), a check box,
/// on at first where there is exactly one best candidate that leads back to the Mac, and a
/// note saying in words why a row is off. A row that can't be relinked has no check box.
class MovedTargetsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { aliasColumn, storedColumn, targetColumn, noteColumn, columnCount_ };
    /// The candidates' paths of a row (a QStringList), and the index of the chosen one.
    static constexpr int candidatesRole = Qt::UserRole;
    static constexpr int chosenRole = Qt::UserRole + 1;

    explicit MovedTargetsModel(std::shared_ptr<MovedTargetsSession> session,
                               QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    /// The checked rows as relink choices.
    std::vector<AliasRepair::Choice> choices() const;
    /// Whether any row has a candidate at all.
    bool anyCandidate() const;

private:
    bool canRelink(int row) const;
    QString note(std::size_t row) const;

    std::shared_ptr<MovedTargetsSession> session_;
    std::vector<int> chosen_; // -1: no candidate
    std::vector<bool> checked_;
};

} // namespace korvex
