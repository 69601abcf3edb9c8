#pragma once

#include <QString>

namespace korvex {

/// How the program hands a file to the desktop: opened with the user's default application
/// for it (a folder in the file manager), or shown selected in its folder. The window's and
/// the command line's only way out to other programs, so tests can record what would open.
class DesktopOpener {
public:
    virtual ~DesktopOpener() = default;

    /// Opens the file or folder at the absolute `path`; false when nothing could open it.
    virtual bool open(const QString& path) = 0;
    /// Shows the file or folder at the absolute `path` selected in its folder, where the file
    /// manager can do that; else opens its folder. False when neither could be done.
    virtual bool showInFolder(const QString& path) = 0;

protected:
    DesktopOpener() = default;
    DesktopOpener(const DesktopOpener&) = default;
    DesktopOpener& operator=(const DesktopOpener&) = default;
};

} // namespace korvex
