#pragma once

#include "FilePanels.h"
#include "PlatformFactory.h"

#include <QObject>
#include <QWidget>

#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace korvex::test {

/// What the scans of a test see and leave behind, shared with the pool threads. Every scan
/// gets a fresh in-memory platform: `folder` holds a/broken.alias, b/fine.alias (resolves) and
/// a plain file. Writes are recorded as "text PATH" and "bookmark PATH".
struct ScanWorld : std::enable_shared_from_this<ScanWorld> {
    std::mutex mutex;
    std::condition_variable changed;
    std::string folder = "/scan/here";
    bool gateOpen = true; // closed: every walk waits until it opens
    /// An entry (absolute path) whose examination waits, while the gate is closed, until it
    /// opens: a scan caught in the middle. Empty: the walk's opening waits instead.
    std::string holdAt;
    bool held = false; // a scan is waiting at `holdAt`
    std::vector<std::string> walked;
    std::vector<std::string> examined; // every entry whose type was asked, in order
    std::set<std::string> written;
    int platformsDone = 0;

    void setGate(bool open);
    template <typename T> T get(T ScanWorld::*member) {
        std::lock_guard lock(mutex);
        return this->*member;
    }
    /// Waits until `count` scans have freed their platform.
    bool waitForDone(int count);
    /// Waits until a scan is held at `holdAt`.
    bool waitForHeld();
    PlatformFactory factory();
};

/// Panels that record what they were asked and end when the test says so.
struct ScriptedPanels : FilePanels {
    OpenPanelRequest openRequest;
    QWidget* openWindow = nullptr;
    SavePanelRequest saveRequest;
    PanelCompletion openDone, saveDone;

    void beginOpenPanel(const OpenPanelRequest& r, QWidget* w, PanelCompletion done) override {
        openRequest = r, openWindow = w, openDone = std::move(done);
    }
    QWidget* saveWindow = nullptr;
    void beginSavePanel(const SavePanelRequest& r, QWidget* w, PanelCompletion done) override {
        saveRequest = r, saveWindow = w, saveDone = std::move(done);
    }
    static void end(PanelCompletion& done, int response, const QString& path = QString()) {
        PanelCompletion call = std::exchange(done, nullptr);
        call(response, path);
    }
};

/// A control of a window's content, found by its object name in the form: the tests reach the
/// window through its widgets, as the user does.
template <typename T> T* control(const QWidget* content, const char* name) {
    T* found = content->findChild<T*>(QString::fromLatin1(name));
    Q_ASSERT_X(found, "control", name);
    return found;
}

/// The test objects of this program: each file adds its own, main() runs them in that order.
std::vector<QObject* (*)()>& testObjects();
template <typename T> bool registerTestObject() {
    testObjects().push_back([]() -> QObject* { return new T; });
    return true;
}

/// Settings and path mappings in a temporary folder for the whole test run.
void useTemporarySettings();
void clearSettings();
/// Before a test that scans real folders and relinks: no settings, no path mappings, and the
/// relink journal in a temporary data folder kept for the run.
void startWithNothingStored();

/// Scans of real folders, through the Linux platform with the mappings given.
PlatformFactory diskPlatforms();

} // namespace korvex::test
