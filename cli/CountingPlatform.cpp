#include "CountingPlatform.h"

namespace korvex {

std::unique_ptr<FolderWalk> CountingPlatform::openWalk(const std::string& folderPath) {
    return inner_.openWalk(folderPath);
}

void CountingPlatform::itemUrl(const WalkEntry& entry, const FileUrl& folderUrl, FileUrl& into) {
    inner_.itemUrl(entry, folderUrl, into);
}

std::optional<std::string_view> CountingPlatform::typeIdentifier(const FileUrl& item) {
    std::optional<std::string_view> type = inner_.typeIdentifier(item);
    ++entries_;
    if (type && *type == aliasFileType) {
        ++aliases_;
    }
    // The clock is read only every 64 entries; the line itself is throttled to 100 ms.
    if ((entries_ & 63) == 0 && progress_.enabled()) {
        progress_.update(entries_, aliases_);
    }
    return type;
}

std::optional<BookmarkData> CountingPlatform::readBookmarkData(const FileUrl& item) {
    return inner_.readBookmarkData(item);
}

std::optional<FileUrl> CountingPlatform::resolveBookmarkData(const BookmarkData& data,
                                                             std::uint32_t options, bool& isStale) {
    return inner_.resolveBookmarkData(data, options, isStale);
}

std::optional<std::string> CountingPlatform::storedProperties(std::string_view key,
                                                              const BookmarkData& data) {
    return inner_.storedProperties(key, data);
}

bool CountingPlatform::refreshable(const BookmarkData& data) {
    return inner_.refreshable(data);
}

std::optional<BookmarkData> CountingPlatform::makeBookmarkData(const FileUrl& target,
                                                               std::uint32_t options,
                                                               const BookmarkData& previous) {
    return inner_.makeBookmarkData(target, options, previous);
}

bool CountingPlatform::writeBookmarkData(const BookmarkData& data, const FileUrl& item) {
    return inner_.writeBookmarkData(data, item);
}

bool CountingPlatform::writeText(std::string_view text, const FileUrl& beside,
                                 std::string_view suffix) {
    return inner_.writeText(text, beside, suffix);
}

} // namespace korvex
