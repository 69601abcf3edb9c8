#pragma once

#include <QString>

#include <cstdint>
#include <string>

class QObject;
class QThreadPool;
class QWidget;

namespace korvex {

/// What "Find Moved Targets..." needs of the window it belongs to, and nothing more. All of it
/// is used on the GUI thread only.
class MovedTargetsHost {
public:
    virtual ~MovedTargetsHost() = default;

    virtual bool isScanning() const = 0;
    /// The folder of the last scan started, empty before the first.
    virtual const std::string& scannedFolder() const = 0;
    /// The broken aliases the last scan's answer found; -1 while there is none yet.
    virtual std::int64_t lastBrokenCount() const = 0;
    /// Whether broken aliases get a note beside them (the window's Mark option).
    virtual bool marksBrokenAliases() const = 0;

    /// The pool the window's scans run on; it outlives every job started on it.
    virtual QThreadPool& jobPool() = 0;
    /// The GUI object that runs calls posted back from those jobs (`GuiCall::post`).
    virtual QObject* answerReceiver() = 0;
    /// The window dialogs are shown over.
    virtual QWidget* dialogParent() = 0;

    /// Scans the last folder again after a relink, so the window shows the new report; that
    /// scan only reads (the user started no scan).
    virtual void rescanAfterRelink() = 0;
    virtual void appendOutputText(const QString& text) = 0;
    virtual void showStatus(const QString& text) = 0;

protected:
    MovedTargetsHost() = default;
    MovedTargetsHost(const MovedTargetsHost&) = default;
    MovedTargetsHost& operator=(const MovedTargetsHost&) = default;
};

} // namespace korvex
