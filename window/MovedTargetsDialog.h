#pragma once

#include "MovedTargetsModel.h"

#include <QDialog>
#include <QPointer>

#include <memory>
#include <vector>

class QLabel;
class QListWidget;
class QMessageBox;
class QPushButton;
class QTableView;

namespace korvex {

/// Shows what a Find Moved Targets found: one row per broken alias (see MovedTargetsModel),
/// the suggested path mappings with "Add Mapping" (into the one stored list every window and
/// Preferences share), and "Relink N Checked". No button is the default: Return never relinks,
/// and the relink is asked for only after a confirmation that names how many aliases change
/// and how to undo it. The relink itself runs on the window's pool; `relinkFinished` closes the
/// dialog.
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
    QPushButton* closeButton = nullptr;
    /// What the dialog says of its result (nothing found, ...) and of what it did.
    QLabel* statusLabel = nullptr;
    /// The confirmation asked now, or null.
    QPointer<QMessageBox> confirmation;

    /// The relink asked for is done: the dialog closes.
    void relinkFinished();

signals:
    void relinkRequested(std::vector<korvex::AliasRepair::Choice> choices);

private:
    void addMapping();
    void updateButtons();
    void confirmRelink();

    std::shared_ptr<MovedTargetsSession> session_;
    MovedTargetsModel* model_;
    bool relinking_ = false; // asked for: the button stays off until the dialog closes
};

} // namespace korvex
