#pragma once

#include "AliasRelinker.h"
#include "CandidateIndex.h"
#include "MappingSuggester.h"
#include "MountTable.h"
#include "PathMapping.h"
#include "ScanRecorder.h"
#include "StopFlag.h"

#include <memory>
#include <string>
#include <vector>

namespace korvex {

/// What to do for the broken aliases of a scan.
struct RepairRequest {
    std::string folder; ///< the scanned folder
    std::vector<PathMapping> mappings;
    /// Further folders to search (besides the scanned one and the mappings' local folders).
    std::vector<std::string> searchFolders;
    bool relink = false;
    /// Keep the old data in a sidecar beside each relinked alias; else in the journal.
    bool mark = false;
    std::string journalPath; ///< empty: the default journal
    /// Relink the sure ones (run) even to a candidate of another owner than the alias's, as
    /// root; otherwise root never does (ranking puts such candidates last all the same).
    bool anyOwner = false;
    std::size_t threads = 0; ///< of the search; 0: its default
};

/// One alias relinked.
struct RelinkedAlias {
    std::string aliasPath;
    std::string targetPath; ///< on this machine
    std::string macPath;    ///< as written into the alias
    /// Its "-korvex-broken.text" sidecar, which no longer tells the truth: removed when it is
    /// the one a marking scan wrote, else named in the summary.
    AliasRelinker::BrokenNote brokenNote = AliasRelinker::BrokenNote::none;
    int brokenNoteError = 0; ///< the errno of a `failed` one
};

/// One alias a relink was tried on and that is left as it was.
struct FailedRelink {
    std::string aliasPath;
    /// What failed: "it changed since it was read", the system's error, ...
    std::string reason;
};

/// What the repair found and did.
struct RepairResult {
    std::unique_ptr<CandidateIndex> index;
    std::vector<SuggestedMapping> suggestions;
    std::vector<RelinkedAlias> relinked;
    /// The journal records of the relinks made (their offsets), for an undo of just these.
    std::vector<std::uint64_t> journalRecords;
    /// Aliases that a relink was tried on and failed (or that changed since the scan).
    std::vector<FailedRelink> failed;
    /// What couldn't be read: folders of the search (their entries were not considered), and
    /// aliases that a relink was tried on but the system did not let be read again.
    std::vector<std::string> unreadable;
    /// Why the undo journal can't be used: nothing was relinked then. Empty when it could.
    std::string journalProblem;
    /// The stop ended the search or the relinks early: what is here was done before it.
    bool stopped = false;
    /// The search went to its end (a stop then came during the relinks).
    bool searched = false;
};

/// The repair after a scan: searches the scope for the broken aliases' new targets, suggests
/// path mappings and, when asked, relinks every alias with exactly one best candidate whose
/// path leads back to the Mac (see MacPathFinder), keeping the old data for undo first: in the
/// user's journal (see RelinkJournal), with mark also in a sidecar beside the alias.
class AliasRepair {
public:
    /// Searches and, when the request asks, relinks the sure ones. `relinker` opened the
    /// folder before the scan (needed only to relink). A stopped search relinks nothing.
    static RepairResult run(const RepairRequest& request, ScanRecorder& recorder,
                            AliasRelinker* relinker, const MountTable& mounts,
                            const StopFlag& stop = {});

    /// Only the search and the suggestions (none when `stop` ended the search).
    static RepairResult search(const RepairRequest& request, ScanRecorder& recorder,
                               const MountTable& mounts, const StopFlag& stop = {});

    /// One choice: alias `alias` of the index relinked to its candidate `candidate`.
    struct Choice {
        std::size_t alias = 0;
        std::size_t candidate = 0;
    };

    /// Relinks as chosen (choices whose candidate leads back to no Mac path are skipped) and
    /// adds to `result`; `records`, when given, are marked relinked or failed (with the
    /// reason). Each alias is read again and relinked only if it still holds the bytes the
    /// scan read; its record goes to the journal before the alias is touched, and nothing is
    /// relinked when the journal can't be written and read back. `stop` is looked at right
    /// before the first write of each alias (journal, sidecar, alias): once it is requested,
    /// the alias at hand is finished and no further one is started.
    static void relink(const RepairRequest& request, RepairResult& result,
                       const std::vector<Choice>& choices, AliasRelinker& relinker,
                       const MountTable& mounts, std::vector<AliasRecord>* records = nullptr,
                       const StopFlag& stop = {});
};

} // namespace korvex
