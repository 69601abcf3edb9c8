#include "QtFilePanels.h"

#include <QCoreApplication>
#include <QFileDialog>

namespace korvex {

namespace {

const QString savePanelName = QStringLiteral("korvexSavePanel");

void finishWith(QFileDialog* dialog, PanelCompletion completion) {
    QObject::connect(dialog, &QFileDialog::finished, dialog,
                     [dialog, completion = std::move(completion)](int result) {
                         QString path;
                         const QStringList chosen = dialog->selectedFiles();
                         if (result == QDialog::Accepted && !chosen.isEmpty()) {
                             path = chosen.first();
                         }
                         completion(result == QDialog::Accepted ? panelOK : panelCancel, path);
                     });
}

} // namespace

void QtFilePanels::beginOpenPanel(const OpenPanelRequest& request, QWidget* window,
                                  PanelCompletion completion) {
    auto* dialog = new QFileDialog(window);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    // Qt's own dialog: the platform dialogs may ignore the hidden-files setting.
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    if (request.canChooseFiles) {
        dialog->setFileMode(request.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                            : QFileDialog::ExistingFile);
    } else {
        dialog->setFileMode(QFileDialog::Directory);
        dialog->setOption(QFileDialog::ShowDirsOnly, request.canChooseDirectories);
    }
    if (request.showsHiddenFiles) {
        dialog->setFilter(dialog->filter() | QDir::Hidden);
    }
    // Linux has no file packages: every folder can be opened in the dialog already.
    dialog->setLabelText(QFileDialog::Accept, request.prompt);
    dialog->setLabelText(QFileDialog::Reject,
                         QCoreApplication::translate("QtFilePanels", "&Cancel"));
    finishWith(dialog, std::move(completion));
    dialog->open(); // window-modal: blocks its own window only
}

void QtFilePanels::beginSavePanel(const SavePanelRequest& request, QWidget* window,
                                  PanelCompletion completion) {
    // One save panel per window: a second Save brings the open one forward.
    for (auto* open :
         window ? window->findChildren<QFileDialog*>(savePanelName, Qt::FindDirectChildrenOnly)
                : QList<QFileDialog*>()) {
        if (open->isVisible()) {
            open->raise();
            open->activateWindow();
            return;
        }
    }
    auto* dialog = new QFileDialog(window);
    dialog->setObjectName(savePanelName);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::ReadOnly, !request.canCreateDirectories);
    dialog->setLabelText(QFileDialog::Accept, QCoreApplication::translate("QtFilePanels", "&Save"));
    dialog->setLabelText(QFileDialog::Reject,
                         QCoreApplication::translate("QtFilePanels", "&Cancel"));
    QStringList patterns;
    for (const QString& type : request.allowedFileTypes) {
        patterns << QStringLiteral("*.") + type;
    }
    if (!patterns.isEmpty()) {
        dialog->setNameFilter(QCoreApplication::translate("QtFilePanels", "Text (%1)")
                                  .arg(patterns.join(QLatin1Char(' '))));
        dialog->setDefaultSuffix(request.allowedFileTypes.first());
    }
    dialog->setDirectory(request.directoryURL.toLocalFile());
    dialog->selectFile(fileNameForSuggestion(request.nameFieldStringValue));
    finishWith(dialog, std::move(completion));
    // Window-modal, as the folder panel: other windows stay usable, its own waits for it, and
    // the panel is deleted with its window.
    dialog->open();
}

} // namespace korvex
