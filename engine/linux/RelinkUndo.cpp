#include "RelinkUndo.h"

#include "AliasRelinker.h"
#include "RegularFileReader.h"

#include <algorithm>
#include <set>
#include <unistd.h>

namespace korvex {

namespace {

constexpr std::size_t sidecarLimit = 64 << 20;

void note(AliasRelinker::Outcome outcome, const std::string& path, UndoResult& result) {
    switch (outcome) {
    case AliasRelinker::Outcome::replaced:
        result.restored.push_back(path);
        break;
    case AliasRelinker::Outcome::changed:
        result.changed.push_back(path);
        break;
    case AliasRelinker::Outcome::failed:
        result.failed.push_back(path);
        break;
    }
}

} // namespace

bool RelinkUndo::run(const std::string& folder, const RelinkJournal& journal, UndoResult& result,
                     const StopFlag& stop, FileCalls& fileCalls) {
    AliasRelinker relinker(folder, fileCalls);
    if (!relinker.isOpen()) {
        return false;
    }
    std::set<std::string> done;
    std::vector<RelinkRecord> kept;
    bool journalChanged = false;
    for (RelinkRecord& record : journal.load()) {
        if (record.folder != folder || stop.requested()) {
            result.stopped = result.stopped || record.folder == folder;
            kept.push_back(std::move(record));
            continue;
        }
        const std::string path = folder + "/" + record.relativePath;
        const AliasRelinker::Outcome outcome =
            relinker.replace(record.relativePath, record.after, record.before);
        note(outcome, path, result);
        done.insert(record.relativePath);
        if (outcome == AliasRelinker::Outcome::failed) {
            kept.push_back(std::move(record));
        } else {
            journalChanged = true;
        }
    }
    if (journalChanged && !journal.replaceAll(kept)) {
        result.failed.push_back(journal.filePath());
    }

    // The sidecars: every "NAME-korvex-relink.text" below the folder, walked without links.
    PosixAliasPlatform platform;
    std::unique_ptr<FolderWalk> walk = platform.openWalk(folder);
    if (walk) {
        walk->stopOn(stop.token());
    }
    WalkEntry entry;
    while (walk && !result.stopped && walk->next(entry)) {
        const std::string_view name = entry.name;
        if (name.size() <= relinkSuffix.size() ||
            name.substr(name.size() - relinkSuffix.size()) != relinkSuffix || entry.folderFd < 0) {
            continue;
        }
        const std::string relative(entry.relativePath);
        const std::string aliasRelative = relative.substr(0, relative.size() - relinkSuffix.size());
        if (done.count(aliasRelative)) {
            continue;
        }
        const std::string sidecarName(name);
        std::optional<std::vector<std::uint8_t>> text =
            RegularFileReader::readAt(entry.folderFd, sidecarName.c_str(), sidecarLimit);
        std::optional<RelinkRecord> record =
            text ? RelinkRecord::fromSidecar(
                       std::string_view(reinterpret_cast<const char*>(text->data()), text->size()))
                 : std::nullopt;
        if (!record) {
            continue;
        }
        if (stop.requested()) {
            result.stopped = true;
            break;
        }
        done.insert(aliasRelative);
        const AliasRelinker::Outcome outcome =
            relinker.replace(aliasRelative, record->after, record->before);
        note(outcome, folder + "/" + aliasRelative, result);
        if (outcome == AliasRelinker::Outcome::replaced) {
            ::unlinkat(entry.folderFd, sidecarName.c_str(), 0);
        }
    }
    result.stopped = result.stopped || (walk && stop.requested()); // a walk woken by it
    return true;
}

} // namespace korvex
