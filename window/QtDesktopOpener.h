#pragma once

#include "DesktopOpener.h"

namespace korvex {

/// The desktop as Qt reaches it: QDesktopServices (xdg-open, or the desktop portal inside a
/// sandbox) to open, and the file manager's org.freedesktop.FileManager1 service on the
/// session bus to show a file selected, when the bus has it.
class QtDesktopOpener : public DesktopOpener {
public:
    bool open(const QString& path) override;
    bool showInFolder(const QString& path) override;
};

} // namespace korvex
