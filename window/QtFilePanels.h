#pragma once

#include "FilePanels.h"

namespace korvex {

/// The panels as Qt file dialogs: the folder panel window-modal on its window, the save panel
/// a window of its own. Each dialog deletes itself once its completion has run.
class QtFilePanels : public FilePanels {
public:
    void beginOpenPanel(const OpenPanelRequest& request, QWidget* window,
                        PanelCompletion completion) override;
    void beginSavePanel(const SavePanelRequest& request, PanelCompletion completion) override;
};

} // namespace korvex
