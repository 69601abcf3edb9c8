#include "TestSupport.h"

#include "MemoryAliasPlatform.h"
#include "PathMappingStore.h"
#include "PosixAliasPlatform.h"

#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace korvex::test {

namespace {

class WorldPlatform : public MemoryAliasPlatform {
public:
    explicit WorldPlatform(std::shared_ptr<ScanWorld> world) : world_(std::move(world)) {
        folder = world_->get(&ScanWorld::folder);
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
        std::unique_lock lock(world_->mutex);
        world_->walked.push_back(folderPath);
        if (world_->holdAt.empty()) {
            world_->changed.wait(lock, [this] { return world_->gateOpen; });
        }
        lock.unlock();
        return MemoryAliasPlatform::openWalk(folderPath);
    }
    ReadResult<std::string_view> typeIdentifier(const FileUrl& item) override {
        {
            std::unique_lock lock(world_->mutex);
            world_->examined.push_back(item.path);
            if (item.path == world_->holdAt && !world_->gateOpen) {
                world_->held = true;
                world_->changed.notify_all();
                world_->changed.wait(lock, [this] { return world_->gateOpen; });
                world_->held = false;
            }
        }
        return MemoryAliasPlatform::typeIdentifier(item);
    }
    WriteResult writeText(std::string_view, const FileUrl& beside,
                          std::string_view suffix) override {
        std::lock_guard lock(world_->mutex);
        if (!world_->written.insert("text " + beside.path + std::string(suffix)).second)
            return WriteResult::refused("written twice");
        return {};
    }
    WriteResult writeBookmarkData(const BookmarkData&, const FileUrl& item) override {
        std::lock_guard lock(world_->mutex);
        if (!world_->written.insert("bookmark " + item.path).second)
            return WriteResult::refused("written twice");
        return {};
    }

private:
    std::shared_ptr<ScanWorld> world_;
};

} // namespace

void ScanWorld::setGate(bool open) {
    std::lock_guard lock(mutex);
    gateOpen = open;
    changed.notify_all();
}

bool ScanWorld::waitForDone(int count) {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return platformsDone >= count; });
}

bool ScanWorld::waitForHeld() {
    std::unique_lock lock(mutex);
    return changed.wait_for(lock, std::chrono::seconds(10), [&] { return held; });
}

PlatformFactory ScanWorld::factory() {
    return [self = shared_from_this()](std::vector<PathMapping>) {
        return std::make_unique<WorldPlatform>(self);
    };
}

std::vector<QObject* (*)()>& testObjects() {
    static std::vector<QObject* (*)()> objects;
    return objects;
}

void useTemporarySettings() {
    QStandardPaths::setTestModeEnabled(true);
    static QTemporaryDir folder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
    // The path mappings are kept beside the settings, found through the environment.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(folder.path()));
}

void clearSettings() {
    QSettings(QStringLiteral("Korvex"), QStringLiteral("Korvex")).clear();
}

void startWithNothingStored() {
    clearSettings();
    static QTemporaryDir data;
    qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
    std::string ignored;
    PathMappingStore().save({}, ignored);
}

PlatformFactory diskPlatforms() {
    return [](std::vector<PathMapping> mappings) {
        return std::make_unique<PosixAliasPlatform>(std::move(mappings));
    };
}

} // namespace korvex::test
