#pragma once

#include "MovedTargetsModel.h"

#include <QDialog>

#include <memory>
#include <vector>

class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

namespace korvex {

/// Shows what a Find Moved Targets found: one row per broken alias (see MovedTargetsModel),
/// the suggested path mappings with "Add Mapping" (into the stored list the window and the
/// command line share), and "Relink Selected", which only asks: the relink itself runs on the
/// window's pool, and `relinkFinished` closes the dialog.
class MovedTargetsDialog : public QDialog {
    Q_OBJECT
public:
    explicit MovedTargetsDialog(std::shared_ptr<MovedTargetsSession> session,
                                QWidget* parent = nullptr);

    MovedTargetsModel* model() const { return model_; }
    QTableView* table = nullptr;
    QListWidget* mappingList = nullptr;
    QPushButton* addMappingButton = nullptr;
    QPushButton* relinkButton = nullptr;

    /// The relink asked for is done: the dialog closes.
    void relinkFinished();

signals:
    void relinkRequested(std::vector<korvex::AliasRepair::Choice> choices);

private:
    void addMapping();
    void updateButtons();

    std::shared_ptr<MovedTargetsSession> session_;
    MovedTargetsModel* model_;
    QLabel* status_ = nullptr;
};

} // namespace korvex
