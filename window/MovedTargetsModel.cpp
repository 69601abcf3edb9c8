#include "MovedTargetsModel.h"

#include "PrintableText.h"

#include <algorithm>

namespace korvex {

MovedTargetsModel::MovedTargetsModel(std::shared_ptr<MovedTargetsSession> session, QObject* parent)
    : QAbstractTableModel(parent), session_(std::move(session)) {
    const CandidateIndex& index = *session_->result.index;
    for (std::size_t i = 0; i < index.aliases().size(); ++i) {
        chosen_.push_back(index.candidates(i).empty() ? -1 : 0);
        checked_.push_back(index.singleBest(i) != nullptr);
        checked_.back() = checked_.back() && canRelink(static_cast<int>(i));
    }
}

bool MovedTargetsModel::canRelink(int row) const {
    const int choice = chosen_[static_cast<std::size_t>(row)];
    return choice >= 0 &&
           !session_->result.index->aliases()[static_cast<std::size_t>(row)].classic &&
           session_->leadsBack[static_cast<std::size_t>(row)][static_cast<std::size_t>(choice)];
}

int MovedTargetsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(chosen_.size());
}

int MovedTargetsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columnCount_;
}

QVariant MovedTargetsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    const auto row = static_cast<std::size_t>(index.row());
    const BrokenAlias& alias = session_->result.index->aliases()[row];
    const std::vector<Candidate>& candidates = session_->result.index->candidates(row);
    if (role == Qt::CheckStateRole && index.column() == aliasColumn) {
        // No box where there is nothing to tick: it would promise a relink that can't be.
        if (!canRelink(index.row())) {
            return {};
        }
        return checked_[row] ? Qt::Checked : Qt::Unchecked;
    }
    if (role == Qt::AccessibleDescriptionRole && index.column() == aliasColumn) {
        // Screen readers learn "checked" from the box, but not that a box is there at all.
        if (!canRelink(index.row())) {
            return tr("Can't be relinked here; the Note column says why.");
        }
        return checked_[row] ? tr("Checked: relinked by Relink Checked. Space clears it.")
                             : tr("Not checked. Space checks it.");
    }
    if (role == Qt::ToolTipRole && chosen_[row] >= 0 && alias.classic) {
        return tr("A classic alias: the Mac reads it from its resource fork, which is never "
                  "rewritten here. Relink it on the Mac, or add the suggested mapping.");
    }
    if (role == Qt::ToolTipRole && chosen_[row] >= 0 && !canRelink(index.row())) {
        return tr("No path mapping leads from this folder back to the Mac that uses the "
                  "alias: add the suggested mapping instead.");
    }
    if (role == candidatesRole) {
        QStringList paths;
        for (const Candidate& candidate : candidates) {
            paths << QString::fromStdString(printable(candidate.path));
        }
        return paths;
    }
    if (role == chosenRole || (role == Qt::EditRole && index.column() == targetColumn)) {
        return chosen_[row];
    }
    if (role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
    case aliasColumn:
        return QString::fromStdString(printable(alias.aliasPath));
    case storedColumn:
        return QString::fromStdString(printable(alias.storedPath()));
    case targetColumn:
        if (chosen_[row] < 0) {
            return tr("(none found)");
        }
        return QString::fromStdString(
                   printable(candidates[static_cast<std::size_t>(chosen_[row])].path)) +
               (candidates.size() > 1 ? tr("  (%1 more)").arg(candidates.size() - 1) : QString());
    case noteColumn:
        return note(row);
    }
    return {};
}

QString MovedTargetsModel::note(std::size_t row) const {
    const CandidateIndex& index = *session_->result.index;
    const std::size_t count = index.candidates(row).size();
    if (count == 0) {
        return tr("No entry of this name was found");
    }
    if (index.aliases()[row].classic) {
        return tr("A classic alias: relink it on the Mac");
    }
    if (!canRelink(static_cast<int>(row))) {
        return tr("Only a path mapping can fix it");
    }
    if (checked_[row]) {
        return {};
    }
    if (!index.singleBest(row) && count > 1) {
        return tr("A tie: %1 candidates rank alike; pick one").arg(count);
    }
    return tr("Off: tick it to relink");
}

QVariant MovedTargetsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case aliasColumn:
        return tr("Alias");
    case storedColumn:
        return tr("Stored target");
    case targetColumn:
        return tr("New target");
    case noteColumn:
        return tr("Note");
    }
    return {};
}

Qt::ItemFlags MovedTargetsModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (!index.isValid()) {
        return flags;
    }
    const auto row = static_cast<std::size_t>(index.row());
    if (index.column() == aliasColumn && canRelink(index.row())) {
        flags |= Qt::ItemIsUserCheckable;
    }
    if (index.column() == targetColumn && session_->result.index->candidates(row).size() > 1) {
        flags |= Qt::ItemIsEditable;
    }
    return flags;
}

bool MovedTargetsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid()) {
        return false;
    }
    const auto row = static_cast<std::size_t>(index.row());
    if (role == Qt::CheckStateRole && index.column() == aliasColumn) {
        checked_[row] = value.toInt() == Qt::Checked && canRelink(index.row());
        emit dataChanged(index, this->index(index.row(), noteColumn)); // the note follows
        return true;
    }
    if (role == Qt::EditRole && index.column() == targetColumn) {
        const int choice = value.toInt();
        if (choice < 0 ||
            choice >= static_cast<int>(session_->result.index->candidates(row).size())) {
            return false;
        }
        chosen_[row] = choice;
        // Choosing by hand is a decision: the row is on, where it can be relinked at all.
        checked_[row] = canRelink(index.row());
        emit dataChanged(this->index(index.row(), 0), this->index(index.row(), columnCount_ - 1));
        return true;
    }
    return false;
}

bool MovedTargetsModel::anyCandidate() const {
    return std::any_of(chosen_.begin(), chosen_.end(), [](int choice) { return choice >= 0; });
}

std::vector<AliasRepair::Choice> MovedTargetsModel::choices() const {
    std::vector<AliasRepair::Choice> out;
    for (std::size_t row = 0; row < chosen_.size(); ++row) {
        if (checked_[row] && chosen_[row] >= 0) {
            out.push_back({row, static_cast<std::size_t>(chosen_[row])});
        }
    }
    return out;
}

} // namespace korvex
