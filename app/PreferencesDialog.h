#pragma once

#include "FilePanels.h"
#include "PathMappingStore.h"

#include <QDialog>

#include <memory>
#include <vector>

class QDialogButtonBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace Ui {
class PreferencesDialogForm;
}

namespace korvex {

/// The Preferences window: the table of path mappings (Mac path prefix | local folder). It
/// shows the stored list when it opens, and a change another window makes to it meanwhile (see
/// SharedPathMappings); OK stores the edits made here on top of the list as stored then, and
/// closes; Cancel closes without storing. Scans read the stored list when they start, so a
/// change counts from the next scan.
class PreferencesDialog : public QDialog {
    Q_OBJECT
public:
    /// `store`: where the mappings are kept; `panels`: shows the folder panel of Browse...
    PreferencesDialog(PathMappingStore store, std::shared_ptr<FilePanels> panels,
                      QWidget* parent = nullptr);
    ~PreferencesDialog() override;

    /// The program's one Preferences window, kept in the user's settings: opened when there is
    /// none, else brought to the front as it is. It deletes itself when closed.
    static PreferencesDialog* showShared(std::shared_ptr<FilePanels> panels);

    /// Fills the table with the stored list, dropping edits not yet stored.
    void loadFromStore();
    /// Brings in what was stored meanwhile by others: rows added, and rows removed that were
    /// not edited here. Edits not yet stored stay.
    void mergeFromStore();
    /// The rows of the table as they would be stored, empty rows left out.
    std::vector<PathMapping> tableMappings() const;

    QTableWidget* mappingTable = nullptr;
    QPushButton* addButton = nullptr;
    QPushButton* removeButton = nullptr;
    QPushButton* browseButton = nullptr;
    QDialogButtonBox* buttonBox = nullptr;
    QLabel* noteLabel = nullptr;

public slots:
    /// Adds an empty row and starts editing its Mac path prefix.
    void addMapping();
    void removeMapping();
    /// Asks for the local folder of the selected row.
    void browseForFolder();
    /// Stores the table and closes; stays open, saying why, when a row is not usable or the
    /// list can't be stored.
    void accept() override;

private:
    void addRow(const PathMapping& mapping);
    void updateButtons();
    void showNote(const QString& text);

    std::unique_ptr<Ui::PreferencesDialogForm> ui_;
    PathMappingStore store_;
    /// The stored list the table started from: what was changed here is measured against it.
    std::vector<PathMapping> base_;
    std::shared_ptr<FilePanels> panels_;
};

} // namespace korvex
