#pragma once

#include "AliasRecognizer.h"
#include "MountTable.h"
#include "relink/CandidateIndex.h"

#include <string>
#include <vector>

namespace korvex {

/// The one extra walk of a candidate search: every folder of the scope, once, without
/// classifying anything; only the entries whose names some broken alias wants are looked at
/// closer (kind, birth time, whether they are Finder aliases themselves, which never count).
/// Never follows a link, never enters a kernel pseudo file system or an automount point, and
/// passes over Mac metadata (`._NAME`, `.AppleDouble/`, `__MACOSX/`).
/// Memory grows with the depth of the scope and the width of its folders.
class CandidateSearch {
public:
    /// `mounts`: to stay out of automount points.
    explicit CandidateSearch(const MountTable& mounts) : mounts_(mounts) {}

    /// The folders to walk: `roots` without those at or below another one (and without
    /// relative ones), in their order.
    static std::vector<std::string> scope(const std::vector<std::string>& roots);

    /// Walks the `scope` of `roots` and offers the wanted entries to `index`. Folders that
    /// can't be read are passed over.
    void search(const std::vector<std::string>& roots, CandidateIndex& index) const;

private:
    void walk(const std::string& root, CandidateIndex& index) const;

    const MountTable& mounts_;
    AliasRecognizer recognizer_;
};

} // namespace korvex
