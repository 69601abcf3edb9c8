#pragma once

#include "FilePanels.h"
#include "MemoryAliasPlatform.h"
#include "PlatformFactory.h"

#include <QString>

#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace korvex::test {

/// What every scan of a test sees and leaves behind, shared between the test (GUI thread) and
/// the scans (pool threads). Each scan gets a fresh in-memory platform holding `folder` with
/// one broken alias, one alias that resolves and one plain file.
struct ScanWorld : std::enable_shared_from_this<ScanWorld> {
    std::mutex mutex;
    std::condition_variable changed;
    std::string folder = "/scan/here";        // the only folder that can be walked
    bool gateOpen = true;                     // closed: walks wait until it opens
    std::vector<std::string> walked;          // folders asked for, in order
    std::map<std::string, std::string> texts; // sidecar files written, by path
    std::vector<std::string> refreshed;       // aliases given fresh bookmark data
    int platformsDone = 0;                    // scans whose platform has been freed

    void setFolder(const QString& path);
    void closeGate();
    void openGate();
    std::vector<std::string> walkedFolders();
    std::map<std::string, std::string> writtenTexts();
    /// Waits (without an event loop) until `count` scans have freed their platform.
    bool waitForDone(int count, std::chrono::milliseconds timeout = std::chrono::seconds(10));

    /// Makes the platforms; keeps this world alive as long as some scan may use it.
    PlatformFactory factory();
};

/// Panels that record what they were asked and answer when the test says so.
class ScriptedPanels : public FilePanels {
public:
    int openPanels = 0;
    int savePanels = 0;
    OpenPanelRequest openRequest;
    QWidget* openWindow = nullptr;
    SavePanelRequest saveRequest;

    void beginOpenPanel(const OpenPanelRequest& request, QWidget* window,
                        PanelCompletion completion) override;
    void beginSavePanel(const SavePanelRequest& request, PanelCompletion completion) override;

    /// Ends the open (or save) panel with `response` and `path`.
    void endOpenPanel(int response, const QString& path = QString());
    void endSavePanel(int response, const QString& path = QString());

private:
    PanelCompletion openCompletion_;
    PanelCompletion saveCompletion_;
};

/// Keeps the program's settings in a temporary folder for the whole test run.
void useTemporarySettings();
/// Forgets every stored setting.
void clearSettings();

} // namespace korvex::test
