#pragma once

#include "AliasRecognizer.h"
#include "CandidateIndex.h"
#include "MountTable.h"
#include "StopFlag.h"

#include <cstddef>
#include <string>
#include <vector>

namespace korvex {

/// The one extra walk of a candidate search: every folder of the scope, once, without
/// classifying anything; only the entries whose names some broken alias wants are looked at
/// closer (kind, creation date, whether they are Finder aliases themselves, which never count).
/// Never follows a link, never enters a kernel pseudo file system or an automount point, and
/// passes over Mac metadata (`._NAME`, `.AppleDouble/`, `__MACOSX/`).
///
/// Several threads walk at once, taking folders from one shared stack, so that many listings
/// are asked for together. The candidates kept do not depend on the order in which entries are
/// met (see CandidateIndex), so the outcome is the same with any number of threads. Memory grows
/// with the depth of the scope, the width of its folders and the threads; open descriptors are
/// bounded by a quarter of what the process may open (deeper folders are opened again from the
/// nearest one kept open), and the threads by a sixteenth. When the system gives fewer threads,
/// those there are (at least the caller's) do the walk.
class CandidateSearch {
public:
    /// The threads of a search when none are asked for.
    static constexpr std::size_t defaultThreads = 4;

    /// `mounts`: to stay out of automount points. `threads`: 0 for the default.
    explicit CandidateSearch(const MountTable& mounts, std::size_t threads = 0)
        : mounts_(mounts), threads_(threads == 0 ? defaultThreads : threads) {}

    /// The folders to walk: `roots` without those at or below another one (and without
    /// relative ones), in their order.
    static std::vector<std::string> scope(const std::vector<std::string>& roots);

    /// Walks the `scope` of `roots` and offers the wanted entries to `index`. Returns the
    /// folders that couldn't be read (in path order): their entries are missed. A root that
    /// doesn't exist is no such folder. Once `stop` is requested no further folder is opened;
    /// `stopped`, when given, then says so (what was offered so far stays offered).
    std::vector<std::string> search(const std::vector<std::string>& roots, CandidateIndex& index,
                                    const StopFlag& stop = {}, bool* stopped = nullptr) const;

private:
    class Walk;

    const MountTable& mounts_;
    std::size_t threads_;
    AliasRecognizer recognizer_;
};

} // namespace korvex
