#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

class QWidget;

namespace korvex {

/// Response codes handed to a panel's completion.
inline constexpr int panelCancel = 0;
inline constexpr int panelOK = 1;

/// How the folder panel is set up, field by field, in the order the controller sets them.
struct OpenPanelRequest {
    bool allowsMultipleSelection = false;
    bool canChooseDirectories = false;
    bool showsHiddenFiles = false;
    bool canChooseFiles = false;
    bool treatsFilePackagesAsDirectories = false;
    /// Title of the accept button, with its mnemonic ("&Scan").
    QString prompt;
};

/// How the save panel is set up.
struct SavePanelRequest {
    bool canCreateDirectories = false;
    /// Extensions the panel accepts, the first being the one it adds to a bare name.
    QStringList allowedFileTypes;
    /// The folder the panel opens in.
    QUrl directoryURL;
    /// The initial text of the name field, exactly as the controller made it.
    QString nameFieldStringValue;
};

/// Receives the response code and the chosen path (empty when there is none). Runs once, on
/// the GUI thread, after the panel has closed; not at all when the panel went with its window.
using PanelCompletion = std::function<void(int response, const QString& path)>;

/// The folder and save panels. Both return at once and answer through their completion, so
/// nothing ever waits in a nested event loop; tests put a scripted stand-in here.
class FilePanels {
public:
    virtual ~FilePanels() = default;

    /// Shows the folder panel modal to `window` only.
    virtual void beginOpenPanel(const OpenPanelRequest& request, QWidget* window,
                                PanelCompletion completion) = 0;

    /// Shows the save panel modal to `window` only: it stays above that window and goes with
    /// it. While one is open for a window, asking again brings that one to the front and
    /// drops the new request (its completion never runs).
    virtual void beginSavePanel(const SavePanelRequest& request, QWidget* window,
                                PanelCompletion completion) = 0;
};

/// The suggested name as a Linux file name: a name can't hold "/", so every "/" (a window
/// title is often a folder path) becomes "-" instead of turning the name into a path.
QString fileNameForSuggestion(const QString& suggestion);

} // namespace korvex
