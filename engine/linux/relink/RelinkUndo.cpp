#include "RelinkUndo.h"

#include "AliasRelinker.h"
#include "TextCatalog.h"

#include <algorithm>
#include <map>

namespace korvex {

bool RelinkUndo::run(const std::string& folder, const RelinkJournal& journal, UndoResult& result,
                     const StopFlag& stop, FileCalls& fileCalls,
                     const std::function<void()>& afterReading,
                     const std::vector<std::uint64_t>* only) {
    AliasRelinker relinker(folder, fileCalls);
    if (!relinker.isOpen()) {
        return false;
    }
    const auto device = static_cast<std::uint64_t>(relinker.device());
    const auto inode = static_cast<std::uint64_t>(relinker.inode());

    // The records of this folder, by alias, oldest first; of the others, only their folders.
    std::map<std::string, std::vector<RelinkJournal::Entry>> byAlias;
    std::map<std::string, std::vector<std::uint64_t>> elsewhere;
    RelinkJournal::Reading reading;
    const bool read = journal.read(
        [&](RelinkJournal::Entry&& entry) {
            const RelinkRecord& record = entry.record;
            if (record.folder == folder ||
                (record.folderInode != 0 && record.folderDevice == device &&
                 record.folderInode == inode)) {
                std::string alias = record.relativePath;
                byAlias[alias].push_back(std::move(entry));
            } else {
                elsewhere[record.folder].push_back(entry.offset);
            }
        },
        reading, result.journalProblem);
    if (!read) {
        if (result.journalProblem.empty()) {
            result.journalProblem = KORVEX_TRANSLATE_NOOP("RelinkReason", "it can't be read");
        }
        return true;
    }
    result.unreadableLines = reading.unreadableLines;
    if (afterReading) {
        afterReading();
    }

    bool anyLeft = false;
    for (auto& [relative, entries] : byAlias) {
        std::erase_if(entries, [&](const RelinkJournal::Entry& entry) {
            return reading.settled.count(entry.offset) > 0;
        });
        // Records of other relinks of the alias, left standing: its relink sidecar stays too.
        const auto othersLeft = std::erase_if(entries, [&](const RelinkJournal::Entry& entry) {
            return only && std::find(only->begin(), only->end(), entry.offset) == only->end();
        });
        if (entries.empty()) {
            continue;
        }
        anyLeft = true;
        if (stop.requested()) {
            result.stopped = true; // this alias and those after it are left for another undo
            continue;
        }
        const std::string path = folder + "/" + relative;
        bool restored = false, settledAll = true;
        std::string oldestBefore;
        for (auto at = entries.rbegin(); at != entries.rend(); ++at) {
            const ReadResult<BookmarkData> current = relinker.read(relative);
            const std::optional<Digest> now =
                current ? std::optional(sha256(*current)) : std::nullopt;
            if (now && *now == at->record.beforeDigest && *now != at->record.afterDigest) {
                // The relink never happened (it failed, or was stopped before its write).
                if (!journal.settle(at->offset)) {
                    result.failed.push_back(journal.filePath());
                    settledAll = false;
                    break;
                }
                continue;
            }
            if (current.unreadable()) {
                result.failed.push_back(path); // not let in: kept, with the older records
                settledAll = false;
                break;
            }
            if (!now || *now != at->record.afterDigest) {
                result.changed.push_back(path); // kept, with the older records of the alias
                settledAll = false;
                break;
            }
            const std::optional<RelinkRecord> full = journal.recordAt(*at);
            if (!full) {
                result.failed.push_back(path);
                settledAll = false;
                break;
            }
            if (stop.requested()) {
                result.stopped = true; // the older records of this alias stay for another undo
                settledAll = false;
                break;
            }
            // The one place an undo writes an alias.
            const AliasRelinker::Outcome outcome =
                relinker.replace(relative, at->record.afterDigest, full->before);
            if (outcome != AliasRelinker::Outcome::replaced) {
                // Not let in (or not written) is no change of the alias: its records stay.
                (outcome == AliasRelinker::Outcome::changed ? result.changed : result.failed)
                    .push_back(path);
                settledAll = false;
                break;
            }
            restored = true;
            oldestBefore = full->sidecarBeforeLine();
            if (!journal.settle(at->offset)) {
                result.failed.push_back(journal.filePath());
                settledAll = false;
                break;
            }
        }
        if (restored) {
            result.restored.push_back(path);
        }
        if (restored && settledAll && othersLeft == 0) {
            relinker.removeSidecar(relative, oldestBefore); // its record is undone
        }
    }

    if (!anyLeft) {
        for (const auto& [other, offsets] : elsewhere) {
            for (const std::uint64_t offset : offsets) {
                if (!reading.settled.count(offset)) {
                    result.foldersWithRecords.push_back(other);
                    break;
                }
            }
        }
    }
    return true;
}

} // namespace korvex
