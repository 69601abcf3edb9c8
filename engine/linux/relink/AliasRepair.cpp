#include "AliasRepair.h"

#include "BookmarkDescription.h"
#include "CandidateSearch.h"
#include "FileDescriptor.h"
#include "MacPathFinder.h"
#include "PathFileIds.h"
#include "PathText.h"
#include "RelinkJournal.h"
#include "RelinkRecord.h"
#include "RelinkedBookmark.h"
#include "TextCatalog.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

// The user owning the file at `relativePath` below the open folder `rootFd`, reached one folder
// at a time without following links; none when it can't be reached.
std::optional<std::uint32_t> ownerOf(int rootFd, const std::string& relativePath) {
    const std::vector<std::string_view> parts = splitNonEmpty(relativePath, '/');
    if (rootFd < 0 || parts.empty()) {
        return std::nullopt;
    }
    FileDescriptor folder(::fcntl(rootFd, F_DUPFD_CLOEXEC, 0));
    for (std::size_t i = 0; folder && i + 1 < parts.size(); ++i) {
        const std::string part(parts[i]);
        folder.reset(
            ::openat(folder.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    struct stat st {};
    const std::string name(parts.back());
    if (!folder || ::fstatat(folder.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    return st.st_uid;
}

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
    const FileDescriptor root(::open(request.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (BrokenAlias& alias : recorder.broken()) {
        alias.owner = ownerOf(root.get(), alias.relativePath);
    }
    result.index = std::make_unique<CandidateIndex>(std::move(recorder.broken()));
    std::vector<std::string> roots{request.folder};
    for (const PathMapping& mapping : request.mappings) {
        roots.push_back(mapping.localFolder);
    }
    roots.insert(roots.end(), request.searchFolders.begin(), request.searchFolders.end());
    bool stopped = false;
    result.unreadable =
        CandidateSearch(mounts, request.threads).search(roots, *result.index, stop, &stopped);
    if (stopped) {
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
    const bool acrossOwners = request.anyOwner || ::geteuid() != 0;
    for (std::size_t i = 0; i < result.index->aliases().size(); ++i) {
        const Candidate* best = result.index->singleBest(i);
        if (best && !result.index->aliases()[i].classic && (acrossOwners || !best->otherOwner)) {
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
    if (!choices.empty() && !journal.usable(result.journalProblem)) {
        if (result.journalProblem.empty()) {
            result.journalProblem = KORVEX_TRANSLATE_NOOP("RelinkReason", "it can't be used");
        }
        return; // no relink that couldn't be undone
    }
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
        // The data is read again (the scan kept only its digest): the same bytes, or no relink.
        if (!sameFolder) {
            fail(alias.aliasPath,
                 KORVEX_TRANSLATE_NOOP("RelinkReason",
                                       "the scanned folder was moved or replaced since the scan"));
            continue;
        }
        struct stat st {};
        const ReadResult<BookmarkData> data = relinker.read(alias.relativePath, &st);
        if (data.unreadable()) {
            // Not a failed relink of a broken alias: it could not even be read this time.
            result.unreadable.push_back(alias.aliasPath);
            mark(records, alias.aliasPath, AliasStatus::unreadable, {}, data.failure().error);
            continue;
        }
        if (!data) {
            fail(alias.aliasPath,
                 KORVEX_TRANSLATE_NOOP("RelinkReason",
                                       "it can't be read again: its data is gone or damaged"));
            continue;
        }
        if (sha256(*data) != alias.digest) {
            fail(alias.aliasPath,
                 KORVEX_TRANSLATE_NOOP("RelinkReason", "it changed since it was read"));
            continue;
        }
        if (alias.owner && st.st_uid != *alias.owner) {
            fail(alias.aliasPath,
                 KORVEX_TRANSLATE_NOOP("RelinkReason", "its owner changed since it was read"));
            continue;
        }
        RelinkTarget target;
        target.macPath = *macPath;
        target.isDirectory = best.isDirectory;
        target.creationDate = best.birthTime;
        if (*macPath == best.path) {
            target.fileIDs = PathFileIds::of(best.path).ids;
        }
        std::optional<BookmarkData> fresh = RelinkedBookmark::make(*data, target);
        if (fresh && *fresh == *data) {
            continue; // nothing would change: nothing is written
        }
        if (!fresh) {
            fail(alias.aliasPath,
                 KORVEX_TRANSLATE_NOOP("RelinkReason",
                                       "its bookmark data can't be made to name the new target"));
            continue;
        }
        if (stop.requested()) {
            result.stopped = true; // right before the alias's first write
            return;
        }
        RelinkRecord record =
            RelinkRecord::of(request.folder, alias.relativePath, *data, std::move(*fresh));
        record.folderDevice = relinker.device();
        record.folderInode = relinker.inode();
        record.aliasDevice = st.st_dev;
        record.aliasInode = st.st_ino;
        std::string sidecar;
        if (request.mark) {
            const std::optional<std::string> description =
                bookmark::BookmarkDescription::describe(*data);
            sidecar = description ? "Optional(" + *description + ")\n" : std::string("nil\n");
            sidecar += record.sidecarLines();
        }
        // The record is in the journal before the alias is touched.
        const std::optional<std::uint64_t> offset = journal.append(record);
        if (!offset) {
            // No relink that couldn't be undone.
            fail(alias.aliasPath, "its old data couldn't be kept in the journal " +
                                      journal.filePath() + " to undo the relink");
            continue;
        }
        // The one place a relink writes (the sidecar, then the alias).
        int error = 0;
        const AliasRelinker::Outcome outcome =
            relinker.replace(alias.relativePath, record.beforeDigest, record.after,
                             request.mark ? &sidecar : nullptr, &error);
        if (outcome == AliasRelinker::Outcome::replaced) {
            result.relinked.push_back({alias.aliasPath, best.path, *macPath});
            result.journalRecords.push_back(*offset);
            RelinkedAlias& done = result.relinked.back();
            done.brokenNote =
                relinker.removeBrokenNote(alias.relativePath, *data, &done.brokenNoteError);
            mark(records, alias.aliasPath, AliasStatus::relinked);
            continue;
        }
        // Never applied: settled at once (an undo would see so anyway, by the digests).
        journal.settle(*offset);
        if (outcome == AliasRelinker::Outcome::unreadable) {
            result.unreadable.push_back(alias.aliasPath);
            mark(records, alias.aliasPath, AliasStatus::unreadable, {}, error);
        } else {
            fail(alias.aliasPath, relinker.failure());
        }
    }
}

} // namespace korvex
