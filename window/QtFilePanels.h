#pragma once

#include "FilePanels.h"

namespace korvex {

/// The panels as Qt file dialogs, each window-modal on its window. Each dialog deletes itself
/// once its completion has run, or goes with its window.
class QtFilePanels : public FilePanels {
public:
    void beginOpenPanel(const OpenPanelRequest& request, QWidget* window,
                        PanelCompletion completion) override;
    void beginSavePanel(const SavePanelRequest& request, QWidget* window,
                        PanelCompletion completion) override;
};

} // namespace korvex
