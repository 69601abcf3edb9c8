#pragma once

#include "CandidateIndex.h"
#include "PathMapping.h"

#include <cstddef>
#include <vector>

namespace korvex {

/// A path mapping that would make broken aliases resolve as they are.
struct SuggestedMapping {
    PathMapping mapping;
    /// How many broken aliases it fixes.
    std::size_t fixes = 0;

    friend bool operator==(const SuggestedMapping&, const SuggestedMapping&) = default;
};

/// Finds the path mappings behind broken aliases: where several aliases' single best
/// candidates sit below one local folder exactly as their stored paths sit below one Mac
/// folder (/Volumes/Archive/P/a.pdf found at /srv/share/P/a.pdf, ...), the mapping
/// /Volumes/Archive=/srv/share fixes them all and leaves the aliases as the Mac wrote them.
class MappingSuggester {
public:
    /// The least number of aliases a suggested mapping must fix.
    static constexpr std::size_t leastFixes = 2;

    /// The suggestions, most aliases fixed first; none that `existing` already holds.
    static std::vector<SuggestedMapping> suggest(const CandidateIndex& index,
                                                 const std::vector<PathMapping>& existing);
};

} // namespace korvex
