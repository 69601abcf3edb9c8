#pragma once

#include "AliasPlatform.h"
#include "ProgressLine.h"

#include <cstdint>

namespace korvex {

/// Passes every operation on to the real platform and counts, on the way, the entries whose
/// type is asked (every walked entry) and the aliases among them, for the progress line. The
/// engine runs on the caller's thread, so this is where its progress can be seen.
class CountingPlatform : public AliasPlatform {
public:
    CountingPlatform(AliasPlatform& inner, ProgressLine& progress)
        : inner_(inner), progress_(progress) {}

    std::int64_t entries() const { return entries_; }
    std::int64_t aliases() const { return aliases_; }

    std::unique_ptr<FolderWalk> openWalk(const std::string& folderPath) override;
    void itemUrl(const WalkEntry& entry, const FileUrl& folderUrl, FileUrl& into) override;
    std::optional<std::string_view> typeIdentifier(const FileUrl& item) override;
    std::optional<BookmarkData> readBookmarkData(const FileUrl& item) override;
    std::optional<FileUrl> resolveBookmarkData(const BookmarkData& data, std::uint32_t options,
                                               bool& isStale) override;
    std::optional<std::string> storedProperties(std::string_view key,
                                                const BookmarkData& data) override;
    bool refreshable(const BookmarkData& data) override;
    std::optional<BookmarkData> makeBookmarkData(const FileUrl& target, std::uint32_t options,
                                                 const BookmarkData& previous) override;
    bool writeBookmarkData(const BookmarkData& data, const FileUrl& item) override;
    bool writeText(std::string_view text, const FileUrl& beside, std::string_view suffix) override;

private:
    AliasPlatform& inner_;
    ProgressLine& progress_;
    std::int64_t entries_ = 0;
    std::int64_t aliases_ = 0;
};

} // namespace korvex
