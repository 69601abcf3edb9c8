#include "AliasRepair.h"

#include "CandidateSearch.h"
#include "PathFileIds.h"
#include "RelinkJournal.h"
#include "bookmark/BookmarkDescription.h"
#include "relink/MacPathFinder.h"
#include "relink/RelinkRecord.h"
#include "relink/RelinkedBookmark.h"

namespace korvex {

namespace {

void mark(std::vector<AliasRecord>* records, const std::string& path, AliasStatus status,
          const std::string& reason = {}, int error = 0) {
    if (!records) {
        return;
    }
    for (AliasRecord& record : *records) {
        if (record.path == path) {
            record.status = status;
            record.reason = reason;
            record.error = error;
        }
    }
}

} // namespace

RepairResult AliasRepair::search(const RepairRequest& request, ScanRecorder& recorder,
                                 const MountTable& mounts, const StopFlag& stop) {
    RepairResult result;
    result.index = std::make_unique<CandidateIndex>(std::move(recorder.broken()));
    std::vector<std::string> roots{request.folder};
    for (const PathMapping& mapping : request.mappings) {
        roots.push_back(mapping.localFolder);
    }
    roots.insert(roots.end(), request.searchFolders.begin(), request.searchFolders.end());
    if (!CandidateSearch(mounts, request.threads).search(roots, *result.index, stop)) {
        result.stopped = true; // candidates of part of the scope: no suggestion from them
        return result;
    }
    result.searched = true;
    result.suggestions = MappingSuggester::suggest(*result.index, request.mappings);
    return result;
}

RepairResult AliasRepair::run(const RepairRequest& request, ScanRecorder& recorder,
                              AliasRelinker* relinker, const MountTable& mounts,
                              const StopFlag& stop) {
    RepairResult result = search(request, recorder, mounts, stop);
    if (result.stopped || !request.relink || !relinker) {
        return result;
    }
    std::vector<Choice> sure;
    for (std::size_t i = 0; i < result.index->aliases().size(); ++i) {
        if (result.index->singleBest(i) && !result.index->aliases()[i].classic) {
            sure.push_back({i, 0});
        }
    }
    relink(request, result, sure, *relinker, mounts, &recorder.records(), stop);
    return result;
}

void AliasRepair::relink(const RepairRequest& request, RepairResult& result,
                         const std::vector<Choice>& choices, AliasRelinker& relinker,
                         const MountTable& mounts, std::vector<AliasRecord>* records,
                         const StopFlag& stop) {
    const CandidateIndex& index = *result.index;
    const bool sameFolder = relinker.stillSameFolder();
    const MacPathFinder finder(request.mappings, mounts);
    const RelinkJournal journal(request.journalPath.empty() ? RelinkJournal::defaultFilePath()
                                                            : request.journalPath);
    auto fail = [&](const std::string& aliasPath, std::string reason) {
        mark(records, aliasPath, AliasStatus::failed, reason);
        result.failed.push_back({aliasPath, std::move(reason)});
    };
    for (const Choice& choice : choices) {
        if (choice.alias >= index.aliases().size() ||
            choice.candidate >= index.candidates(choice.alias).size()) {
            continue;
        }
        const BrokenAlias& alias = index.aliases()[choice.alias];
        if (alias.classic) {
            continue; // its resource fork, which the Mac reads, stays as it is
        }
        const Candidate& best = index.candidates(choice.alias)[choice.candidate];
        const std::optional<std::string> macPath = finder.macPath(alias, best.path);
        if (!macPath) {
            continue; // a Linux path would break it on the Mac: a mapping is the fix
        }
        RelinkTarget target;
        target.macPath = *macPath;
        target.isDirectory = best.isDirectory;
        target.creationDate = best.birthTime;
        if (*macPath == best.path) {
            target.fileIDs = PathFileIds::of(best.path).ids;
        }
        const std::optional<BookmarkData> fresh = RelinkedBookmark::make(alias.data, target);
        if (fresh && *fresh == alias.data) {
            continue; // nothing would change: nothing is written
        }
        if (!sameFolder) {
            fail(alias.aliasPath, "the scanned folder was moved or replaced since the scan");
            continue;
        }
        if (!fresh) {
            fail(alias.aliasPath, "its bookmark data can't be made to name the new target");
            continue;
        }
        if (stop.requested()) {
            result.stopped = true; // right before the alias's first write
            return;
        }
        const RelinkRecord record{request.folder, alias.relativePath, alias.data, *fresh};
        std::string sidecar;
        if (request.mark) {
            const std::optional<std::string> description =
                bookmark::BookmarkDescription::describe(alias.data);
            sidecar = description ? "Optional(" + *description + ")\n" : std::string("nil\n");
            sidecar += record.sidecarLines();
        } else if (!journal.append(record)) {
            // No relink that couldn't be undone.
            fail(alias.aliasPath, "its old data couldn't be kept in the journal " +
                                      journal.filePath() + " to undo the relink");
            continue;
        }
        int error = 0;
        const AliasRelinker::Outcome outcome = relinker.replace(
            alias.relativePath, alias.data, *fresh, request.mark ? &sidecar : nullptr, &error);
        if (outcome == AliasRelinker::Outcome::replaced) {
            result.relinked.push_back({alias.aliasPath, best.path, *macPath});
            mark(records, alias.aliasPath, AliasStatus::relinked);
        } else if (outcome == AliasRelinker::Outcome::unreadable) {
            // Not a failed relink of a broken alias: it could not even be read this time.
            result.unreadable.push_back(alias.aliasPath);
            mark(records, alias.aliasPath, AliasStatus::unreadable, {}, error);
        } else {
            fail(alias.aliasPath, relinker.failure());
        }
    }
}

} // namespace korvex
