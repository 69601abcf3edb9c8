#include "MemoryAliasPlatform.h"

#include <cerrno>

namespace korvex::test {

std::string text(const BookmarkData& data) {
    return std::string(data.begin(), data.end());
}

BookmarkData bytes(std::string_view text) {
    return BookmarkData(text.begin(), text.end());
}

namespace {

class MemoryWalk : public FolderWalk {
public:
    explicit MemoryWalk(std::vector<MemoryAliasPlatform::Entry> entries)
        : entries_(std::move(entries)) {}
    bool next(WalkEntry& entry) override {
        if (index_ == entries_.size())
            return false;
        const MemoryAliasPlatform::Entry& walked = entries_[index_++];
        entry = WalkEntry{};
        entry.relativePath = walked.relativePath;
        entry.name = entry.relativePath.substr(entry.relativePath.rfind('/') + 1);
        entry.unreadableFolder = walked.unreadableFolder;
        return true;
    }

private:
    std::vector<MemoryAliasPlatform::Entry> entries_;
    std::size_t index_ = 0;
};

} // namespace

BookmarkData MemoryAliasPlatform::addAlias(const std::string& relativePath,
                                           const std::string& target) {
    BookmarkData data = bytes("bookmark of " + relativePath);
    entries.push_back({relativePath, std::string(aliasFileType), data});
    if (!target.empty())
        targets[data] = FileUrl{target, false};
    properties[data] = "[\"_NSURLPathKey\": \"" + target + "\"]";
    return data;
}

void MemoryAliasPlatform::addPlain(const std::string& relativePath, const std::string& type) {
    entries.push_back({relativePath, type, std::nullopt});
}

std::unique_ptr<FolderWalk> MemoryAliasPlatform::openWalk(const std::string& folderPath) {
    calls.push_back("walk " + folderPath);
    if (fail.walk || folderPath != folder)
        return nullptr;
    return std::make_unique<MemoryWalk>(entries);
}

void MemoryAliasPlatform::itemUrl(const WalkEntry& entry, const FileUrl& folderUrl, FileUrl& into) {
    makeItemUrl(entry.relativePath, folderUrl, into);
}

const MemoryAliasPlatform::Entry* MemoryAliasPlatform::find(const FileUrl& item) const {
    FileUrl entryUrl;
    for (const Entry& entry : entries) {
        makeItemUrl(entry.relativePath, fileUrlWithPath(folder, true), entryUrl);
        if (item.path == entryUrl.path)
            return &entry;
    }
    return nullptr;
}

ReadResult<std::string_view> MemoryAliasPlatform::typeIdentifier(const FileUrl& item) {
    calls.push_back("type " + item.path);
    const Entry* entry = find(item);
    if (fail.type || !entry)
        return ReadFailure::gone();
    if (!entry->type)
        return entry->typeFailure;
    return std::string_view(*entry->type);
}

ReadResult<BookmarkData> MemoryAliasPlatform::readBookmarkData(const FileUrl& item) {
    calls.push_back("read " + item.path);
    const Entry* entry = find(item);
    if (fail.read || !entry)
        return ReadFailure::damaged();
    if (!entry->bookmark)
        return entry->readFailure;
    return *entry->bookmark;
}

ReadResult<FileUrl> MemoryAliasPlatform::resolveBookmarkData(const BookmarkData& data,
                                                             std::uint32_t options, bool& isStale) {
    calls.push_back("resolve " + text(data) + " options " + std::to_string(options) +
                    (isStale ? " stale-in" : ""));
    if (targetUnreadable.contains(data))
        return ReadFailure::unreadable(EACCES);
    auto found = targets.find(data);
    if (fail.resolve || found == targets.end())
        return ReadFailure::damaged();
    isStale = false;
    return found->second;
}

std::optional<std::string> MemoryAliasPlatform::storedProperties(std::string_view key,
                                                                 const BookmarkData& data) {
    calls.push_back("properties " + std::string(key) + " " + text(data));
    auto found = properties.find(data);
    if (fail.properties || found == properties.end())
        return std::nullopt;
    return found->second;
}

bool MemoryAliasPlatform::refreshable(const BookmarkData& data) {
    return !keptAsIs.contains(data);
}

ReadResult<BookmarkData> MemoryAliasPlatform::makeBookmarkData(const FileUrl& target,
                                                               std::uint32_t options,
                                                               const BookmarkData& previous) {
    calls.push_back("make " + target.path + " options " + std::to_string(options) + " from " +
                    text(previous));
    if (fail.make)
        return makeFailure;
    if (upToDate.contains(previous))
        return previous;
    return bytes("fresh bookmark of " + target.path);
}

WriteResult MemoryAliasPlatform::writeBookmarkData(const BookmarkData& data, const FileUrl& item) {
    calls.push_back("writeBookmark " + item.path);
    if (fail.writeBookmark)
        return WriteResult::refused("it changed since it was read");
    if (unwritable.count(item.path))
        return WriteResult::failed(EACCES);
    bookmarks[item.path] = data;
    return {};
}

WriteResult MemoryAliasPlatform::writeText(std::string_view text, const FileUrl& beside,
                                           std::string_view suffix) {
    const std::string path = beside.path + std::string(suffix);
    calls.push_back("writeText " + path);
    if (fail.writeText)
        return WriteResult::failed(ENOSPC);
    if (unwritable.count(path))
        return WriteResult::failed(EACCES);
    texts[path] = std::string(text);
    return {};
}

} // namespace korvex::test
