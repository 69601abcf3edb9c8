#pragma once

#include "AliasPlatform.h"
#include "AliasRecord.h"
#include "BrokenAlias.h"

#include <vector>

namespace korvex {

/// Stands between a scan and its platform and notes what became of every alias the scan met,
/// without the scan knowing: whether its data could be read (and why not), whether it
/// resolved, whether a refresh succeeded; and keeps the data of the broken ones for the
/// candidate search. An entry that could not be examined at all is noted as unreadable too.
/// Memory grows with the number of aliases (with `keepEveryAlias`) or of broken ones only.
class ScanRecorder : public AliasPlatform {
public:
    ScanRecorder(AliasPlatform& inner, std::string folderPath, bool keepEveryAlias);

    /// Every alias met, in walk order (only the broken ones without `keepEveryAlias`).
    std::vector<AliasRecord>& records() { return records_; }
    /// The broken aliases that name a target to look for, in walk order.
    std::vector<BrokenAlias>& broken() { return broken_; }
    /// Closes the record of the last alias; call once the scan has answered.
    void finish();

    std::unique_ptr<FolderWalk> openWalk(const std::string& folderPath) override;
    void itemUrl(const WalkEntry& entry, const FileUrl& folderUrl, FileUrl& into) override;
    ReadResult<std::string_view> typeIdentifier(const FileUrl& item) override;
    ReadResult<BookmarkData> readBookmarkData(const FileUrl& item) override;
    ReadResult<FileUrl> resolveBookmarkData(const BookmarkData& data, std::uint32_t options,
                                            bool& isStale) override;
    std::optional<std::string> storedProperties(std::string_view key,
                                                const BookmarkData& data) override;
    ReadResult<BookmarkData> makeBookmarkData(const FileUrl& target, std::uint32_t options,
                                              const BookmarkData& previous) override;
    bool refreshable(const BookmarkData& data) override;
    WriteResult writeBookmarkData(const BookmarkData& data, const FileUrl& item) override;
    WriteResult writeText(std::string_view text, const FileUrl& beside,
                          std::string_view suffix) override;

private:
    AliasRecord* current();
    void dropCurrentUnlessKept();
    void startRecord(const FileUrl& item);

    AliasPlatform& inner_;
    std::string folderPath_;
    bool keepEveryAlias_;
    std::vector<AliasRecord> records_;
    std::vector<BrokenAlias> broken_;
    bool inAlias_ = false;
};

} // namespace korvex
