#include "TestSupport.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace korvex::test {

namespace {

class WorldPlatform : public MemoryAliasPlatform {
public:
    explicit WorldPlatform(std::shared_ptr<ScanWorld> world) : world_(std::move(world)) {
        std::lock_guard lock(world_->mutex);
        folder = world_->folder;
        addAlias("a/broken.alias");
        addAlias("b/fine.alias", "/target/fine");
        addPlain("c/notes.txt");
    }

    ~WorldPlatform() override {
        std::lock_guard lock(world_->mutex);
        ++world_->platformsDone;
        world_->changed.notify_all();
    }

    std::unique_ptr<FolderWalk> openWalk(const std::string& folderPath) override {
        {
            std::unique_lock lock(world_->mutex);
            world_->walked.push_back(folderPath);
            world_->changed.wait(lock, [this] { return world_->gateOpen; });
        }
        return MemoryAliasPlatform::openWalk(folderPath);
    }

    bool writeText(std::string_view text, const std::string& path) override {
        std::lock_guard lock(world_->mutex);
        world_->texts[path] = std::string(text);
        return true;
    }

    bool writeBookmarkData(const BookmarkData& data, const FileUrl& item) override {
        std::lock_guard lock(world_->mutex);
        world_->refreshed.push_back(item.path);
        return MemoryAliasPlatform::writeBookmarkData(data, item);
    }

private:
    std::shared_ptr<ScanWorld> world_;
};

} // namespace

void ScanWorld::setFolder(const QString& path) {
    std::lock_guard lock(mutex);
    folder = QFile::encodeName(path).toStdString();
}

void ScanWorld::closeGate() {
    std::lock_guard lock(mutex);
    gateOpen = false;
}

void ScanWorld::openGate() {
    std::lock_guard lock(mutex);
    gateOpen = true;
    changed.notify_all();
}

std::vector<std::string> ScanWorld::walkedFolders() {
    std::lock_guard lock(mutex);
    return walked;
}

std::map<std::string, std::string> ScanWorld::writtenTexts() {
    std::lock_guard lock(mutex);
    return texts;
}

bool ScanWorld::waitForDone(int count, std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, timeout, [&] { return platformsDone >= count; });
}

PlatformFactory ScanWorld::factory() {
    return [self = shared_from_this()] { return std::make_unique<WorldPlatform>(self); };
}

void ScriptedPanels::beginOpenPanel(const OpenPanelRequest& request, QWidget* window,
                                    PanelCompletion completion) {
    ++openPanels;
    openRequest = request;
    openWindow = window;
    openCompletion_ = std::move(completion);
}

void ScriptedPanels::beginSavePanel(const SavePanelRequest& request, PanelCompletion completion) {
    ++savePanels;
    saveRequest = request;
    saveCompletion_ = std::move(completion);
}

void ScriptedPanels::endOpenPanel(int response, const QString& path) {
    PanelCompletion completion = std::move(openCompletion_);
    openCompletion_ = nullptr;
    if (completion) {
        completion(response, path);
    }
}

void ScriptedPanels::endSavePanel(int response, const QString& path) {
    PanelCompletion completion = std::move(saveCompletion_);
    saveCompletion_ = nullptr;
    if (completion) {
        completion(response, path);
    }
}

void useTemporarySettings() {
    QStandardPaths::setTestModeEnabled(true);
    static QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
}

void clearSettings() {
    QSettings settings(QStringLiteral("Korvex"), QStringLiteral("Korvex"));
    settings.clear();
    settings.sync();
}

} // namespace korvex::test
