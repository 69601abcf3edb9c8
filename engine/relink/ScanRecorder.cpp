#include "ScanRecorder.h"

#include "AliasScanner.h"
#include "BookmarkInfo.h"
#include "ClassicAlias.h"

#include <cerrno>
#include <cstring>

namespace korvex {

std::string_view statusWord(AliasStatus status) {
    switch (status) {
    case AliasStatus::ok:
        return "ok";
    case AliasStatus::broken:
        return "broken";
    case AliasStatus::refreshed:
        return "refreshed";
    case AliasStatus::relinked:
        return "relinked";
    case AliasStatus::unreadable:
        return "unreadable";
    case AliasStatus::failed:
        return "failed";
    }
    return "failed";
}

ScanRecorder::ScanRecorder(AliasPlatform& inner, std::string folderPath, bool keepEveryAlias)
    : inner_(inner), folderPath_(std::move(folderPath)), keepEveryAlias_(keepEveryAlias) {}

AliasRecord* ScanRecorder::current() {
    return inAlias_ && !records_.empty() ? &records_.back() : nullptr;
}

void ScanRecorder::dropCurrentUnlessKept() {
    if (inAlias_ && !keepEveryAlias_ && !records_.empty() &&
        records_.back().status != AliasStatus::broken) {
        records_.pop_back();
    }
}

void ScanRecorder::finish() {
    dropCurrentUnlessKept();
    inAlias_ = false;
}

std::unique_ptr<FolderWalk> ScanRecorder::openWalk(const std::string& folderPath) {
    return inner_.openWalk(folderPath);
}

void ScanRecorder::itemUrl(const WalkEntry& entry, const FileUrl& folderUrl, FileUrl& into) {
    dropCurrentUnlessKept();
    inAlias_ = false;
    inner_.itemUrl(entry, folderUrl, into);
}

void ScanRecorder::startRecord(const FileUrl& item) {
    AliasRecord record;
    record.path = item.path;
    if (item.entry) {
        record.relativePath = std::string(item.entry->relativePath);
    } else if (item.path.size() > folderPath_.size()) {
        record.relativePath = item.path.substr(folderPath_ == "/" ? 1 : folderPath_.size() + 1);
    }
    records_.push_back(std::move(record));
    inAlias_ = true;
}

ReadResult<std::string_view> ScanRecorder::typeIdentifier(const FileUrl& item) {
    ReadResult<std::string_view> type = inner_.typeIdentifier(item);
    if (type == aliasFileType) {
        startRecord(item);
    } else if (type.unreadable()) {
        startRecord(item); // the scan reports it: "Couldn't read"
        records_.back().error = type.failure().error;
    }
    return type;
}

ReadResult<BookmarkData> ScanRecorder::readBookmarkData(const FileUrl& item) {
    ReadResult<BookmarkData> data = inner_.readBookmarkData(item);
    AliasRecord* record = current();
    if (record && !data) {
        // Damaged data makes the alias broken; the system's refusal leaves it unknown.
        const ReadFailure failure = data.failure();
        record->status = failure.kind == ReadFailure::Kind::damaged ? AliasStatus::broken
                                                                    : AliasStatus::unreadable;
        record->error = failure.kind == ReadFailure::Kind::gone ? ENOENT : failure.error;
        if (failure.kind == ReadFailure::Kind::damaged) {
            record->reason = "its bookmark data is damaged or of an unknown kind";
        }
    }
    if (record && data) {
        record->status = AliasStatus::ok;
        if (auto parsed = classic::ClassicAlias::read(*data)) {
            const bookmark::BookmarkInfo info =
                bookmark::BookmarkInfo::from(parsed.value().bookmark);
            if (info.pathKnown) {
                record->target = info.targetPath();
            }
            record->volume = info.volumeName;
        }
    }
    return data;
}

ReadResult<FileUrl> ScanRecorder::resolveBookmarkData(const BookmarkData& data,
                                                      std::uint32_t options, bool& isStale) {
    ReadResult<FileUrl> resolved = inner_.resolveBookmarkData(data, options, isStale);
    AliasRecord* record = current();
    if (record && resolved.unreadable()) {
        // Not broken: a folder on the way could not be searched. Nothing to look for either.
        record->status = AliasStatus::unreadable;
        record->error = resolved.failure().error;
        record->reason = "its target couldn't be looked for";
        return resolved;
    }
    if (record && !resolved) {
        record->status = AliasStatus::broken;
        if (std::optional<BrokenAlias> alias =
                BrokenAlias::from(record->path, record->relativePath, data)) {
            broken_.push_back(std::move(*alias));
        }
    }
    return resolved;
}

std::optional<std::string> ScanRecorder::storedProperties(std::string_view key,
                                                          const BookmarkData& data) {
    return inner_.storedProperties(key, data);
}

ReadResult<BookmarkData> ScanRecorder::makeBookmarkData(const FileUrl& target,
                                                        std::uint32_t options,
                                                        const BookmarkData& previous) {
    ReadResult<BookmarkData> fresh = inner_.makeBookmarkData(target, options, previous);
    if (AliasRecord* record = current(); record && !fresh) {
        record->status = AliasStatus::failed;
        record->reason = freshDataFailure(fresh.failure());
    }
    return fresh;
}

bool ScanRecorder::refreshable(const BookmarkData& data) {
    return inner_.refreshable(data);
}

WriteResult ScanRecorder::writeBookmarkData(const BookmarkData& data, const FileUrl& item) {
    WriteResult written = inner_.writeBookmarkData(data, item);
    if (AliasRecord* record = current()) {
        record->status = written ? AliasStatus::refreshed : AliasStatus::failed;
        if (!written) {
            record->reason = "it couldn't be written: " + written.reason();
        }
    }
    return written;
}

WriteResult ScanRecorder::writeText(std::string_view text, const FileUrl& beside,
                                    std::string_view suffix) {
    return inner_.writeText(text, beside, suffix);
}

} // namespace korvex
