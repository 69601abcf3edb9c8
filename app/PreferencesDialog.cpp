#include "PreferencesDialog.h"

#include "SharedPathMappings.h"
#include "ui_PreferencesDialog.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace korvex {

namespace {

constexpr int macColumn = 0;
constexpr int localColumn = 1;
/// Each cell keeps the bytes it was loaded from: a path that is not valid UTF-8 can't be shown
/// exactly, and must not be changed by a save when nobody edited it.
constexpr int bytesRole = Qt::UserRole;

QTableWidgetItem* cellFor(const std::string& path) {
    const QByteArray bytes = QByteArray::fromStdString(path);
    auto* item = new QTableWidgetItem(QFile::decodeName(bytes));
    item->setData(bytesRole, bytes);
    return item;
}

std::string pathIn(const QTableWidgetItem* item) {
    if (!item) {
        return {};
    }
    const QByteArray loaded = item->data(bytesRole).toByteArray();
    if (!loaded.isEmpty() && QFile::decodeName(loaded) == item->text()) {
        return loaded.toStdString();
    }
    return QFile::encodeName(item->text()).toStdString();
}

bool isAbsolute(const std::string& path) {
    return !path.empty() && path[0] == '/';
}

} // namespace

PreferencesDialog::PreferencesDialog(PathMappingStore store, std::shared_ptr<FilePanels> panels,
                                     QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::PreferencesDialogForm>()), store_(std::move(store)),
      panels_(std::move(panels)) {
    ui_->setupUi(this);
    mappingTable = ui_->mappingTable;
    addButton = ui_->addButton;
    removeButton = ui_->removeButton;
    browseButton = ui_->browseButton;
    buttonBox = ui_->buttonBox;
    noteLabel = ui_->noteLabel;

    connect(addButton, &QPushButton::clicked, this, &PreferencesDialog::addMapping);
    connect(removeButton, &QPushButton::clicked, this, &PreferencesDialog::removeMapping);
    connect(browseButton, &QPushButton::clicked, this, &PreferencesDialog::browseForFolder);
    // Qt's own texts of the two have no mnemonic.
    buttonBox->button(QDialogButtonBox::Ok)->setText(tr("&OK"));
    buttonBox->button(QDialogButtonBox::Cancel)->setText(tr("&Cancel"));
    connect(buttonBox, &QDialogButtonBox::accepted, this, &PreferencesDialog::accept);
    connect(buttonBox, &QDialogButtonBox::rejected, this, &PreferencesDialog::reject);
    // Delete in the table removes the selected row (in a cell being edited, it edits the text).
    auto* removeKey = new QAction(mappingTable);
    removeKey->setShortcut(QKeySequence::Delete);
    removeKey->setShortcutContext(Qt::WidgetShortcut);
    mappingTable->addAction(removeKey);
    connect(removeKey, &QAction::triggered, this, &PreferencesDialog::removeMapping);
    connect(mappingTable, &QTableWidget::itemSelectionChanged, this,
            &PreferencesDialog::updateButtons);
    // A mapping added elsewhere (Find Moved Targets' Add Mapping) shows up here at once.
    connect(SharedPathMappings::instance(), &SharedPathMappings::changed, this,
            &PreferencesDialog::mergeFromStore);

    loadFromStore();
}

PreferencesDialog::~PreferencesDialog() = default;

PreferencesDialog* PreferencesDialog::showShared(std::shared_ptr<FilePanels> panels) {
    static QPointer<PreferencesDialog> shared;
    if (!shared) {
        shared = new PreferencesDialog(PathMappingStore(), std::move(panels));
        shared->setAttribute(Qt::WA_DeleteOnClose);
    } else if (!shared->isVisible()) {
        shared->loadFromStore();
    }
    shared->show();
    shared->raise();
    shared->activateWindow();
    return shared;
}

void PreferencesDialog::loadFromStore() {
    const PathMappingStore::Loaded loaded = store_.load();
    base_ = loaded.mappings;
    mappingTable->setRowCount(0);
    for (const PathMapping& mapping : loaded.mappings) {
        addRow(mapping);
    }
    const QString file = QFile::decodeName(QByteArray::fromStdString(store_.filePath()));
    if (loaded.skippedLines == 0) {
        showNote(QString());
    } else if (loaded.skippedLines == 1) {
        showNote(tr("1 line of %1 could not be read; OK drops it.").arg(file));
    } else {
        showNote(tr("%1 lines of %2 could not be read; OK drops them.")
                     .arg(loaded.skippedLines)
                     .arg(file));
    }
    updateButtons();
}

void PreferencesDialog::mergeFromStore() {
    const std::vector<PathMapping> current = store_.load().mappings;
    auto holds = [](const std::vector<PathMapping>& list, const PathMapping& mapping) {
        return std::find(list.begin(), list.end(), mapping) != list.end();
    };
    // Each row as it would be stored; an unusable one matches nothing.
    auto rowMapping = [this](int row) {
        const std::vector<PathMapping> clean =
            PathMappingStore::cleaned({{pathIn(mappingTable->item(row, macColumn)),
                                        pathIn(mappingTable->item(row, localColumn))}});
        return clean.empty() ? PathMapping{} : clean.front();
    };
    // Removed elsewhere: its row goes, unless it was edited here (then it no longer matches).
    for (int row = mappingTable->rowCount() - 1; row >= 0; --row) {
        const PathMapping mapping = rowMapping(row);
        if (holds(base_, mapping) && !holds(current, mapping)) {
            mappingTable->removeRow(row);
        }
    }
    // Added elsewhere: a new row, after those there are.
    std::vector<PathMapping> shown;
    for (int row = 0; row < mappingTable->rowCount(); ++row) {
        shown.push_back(rowMapping(row));
    }
    for (const PathMapping& mapping : current) {
        if (!holds(base_, mapping) && !holds(shown, mapping)) {
            addRow(mapping);
        }
    }
    base_ = current;
    updateButtons();
}

std::vector<PathMapping> PreferencesDialog::tableMappings() const {
    std::vector<PathMapping> mappings;
    for (int row = 0; row < mappingTable->rowCount(); ++row) {
        PathMapping mapping{pathIn(mappingTable->item(row, macColumn)),
                            pathIn(mappingTable->item(row, localColumn))};
        if (!mapping.macPrefix.empty() || !mapping.localFolder.empty()) {
            mappings.push_back(std::move(mapping));
        }
    }
    return mappings;
}

void PreferencesDialog::addRow(const PathMapping& mapping) {
    const int row = mappingTable->rowCount();
    mappingTable->insertRow(row);
    mappingTable->setItem(row, macColumn, cellFor(mapping.macPrefix));
    mappingTable->setItem(row, localColumn, cellFor(mapping.localFolder));
}

void PreferencesDialog::addMapping() {
    addRow({});
    const int row = mappingTable->rowCount() - 1;
    mappingTable->setCurrentCell(row, macColumn);
    mappingTable->editItem(mappingTable->item(row, macColumn));
}

void PreferencesDialog::removeMapping() {
    const int row = mappingTable->currentRow();
    if (row >= 0 && mappingTable->item(row, macColumn)->isSelected()) {
        mappingTable->removeRow(row);
    }
    updateButtons();
}

void PreferencesDialog::browseForFolder() {
    const int row = mappingTable->currentRow();
    if (row < 0) {
        return;
    }
    OpenPanelRequest request;
    request.canChooseDirectories = true;
    request.canChooseFiles = false;
    request.showsHiddenFiles = true;
    request.prompt = tr("C&hoose");
    // The row is remembered by a persistent index: rows added or removed meanwhile don't send
    // the folder to another mapping, and a removed row gets none.
    const QPersistentModelIndex target(mappingTable->model()->index(row, localColumn));
    panels_->beginOpenPanel(
        request, this,
        [self = QPointer<PreferencesDialog>(this), target](int response, const QString& path) {
            if (!self || !target.isValid() || response != panelOK || path.isEmpty()) {
                return;
            }
            self->mappingTable->item(target.row(), localColumn)->setText(path);
        });
}

void PreferencesDialog::accept() {
    const std::vector<PathMapping> mappings = tableMappings();
    for (int row = 0; row < mappingTable->rowCount(); ++row) {
        const std::string mac = pathIn(mappingTable->item(row, macColumn));
        const std::string local = pathIn(mappingTable->item(row, localColumn));
        if (mac.empty() && local.empty()) {
            continue;
        }
        if (!isAbsolute(mac) || !isAbsolute(local)) {
            mappingTable->selectRow(row);
            showNote(tr("Row %1: both the Mac path prefix and the local folder must be full "
                        "paths, starting with /.")
                         .arg(row + 1));
            return;
        }
    }
    // Only this window's edits are stored: what another window added or removed since this one
    // read the list stays so.
    QString error;
    if (std::string e; !store_.save(mappings, e)) {
        showNote(tr("The path mappings could not be kept: %1").arg(error));
        return;
    }
    QDialog::accept();
}

void PreferencesDialog::updateButtons() {
    const bool selected = !mappingTable->selectedItems().isEmpty();
    removeButton->setEnabled(selected);
    browseButton->setEnabled(selected);
}

void PreferencesDialog::showNote(const QString& text) {
    noteLabel->setText(text);
    noteLabel->setHidden(text.isEmpty());
}

} // namespace korvex
