#pragma once

#include "BookmarkInfo.h"
#include "MountTable.h"
#include "PathLocator.h"
#include "PathMapping.h"

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace korvex {

/// How a target was found.
enum class FoundVia {
    storedPath,     ///< at the path stored in the bookmark
    mapping,        ///< below the local folder of a path mapping
    sameNameVolume, ///< on a volume mounted here under the stored volume's name
};

/// A place where the target of a bookmark may be on this machine.
struct ResolutionCandidate {
    std::string path;
    FoundVia via = FoundVia::storedPath;
};

/// The outcome of a successful resolution.
struct Resolution {
    LocatedEntry target;
    FoundVia via = FoundVia::storedPath;
    /// The names matched only once compared in normalisation form C.
    bool byEquivalentNames = false;

    /// The target was not at exactly its stored path.
    bool isStale() const { return via != FoundVia::storedPath || byEquivalentNames; }
};

/// Finds the target of a bookmark on this machine without asking anyone and without mounting
/// anything. The candidates, in order: the stored path; the stored path below each path mapping
/// (longest Mac prefix first); the stored path on each mounted volume of the stored volume's
/// name. The first that exists wins; only when none exists byte for byte are they all tried
/// again matching names in any Unicode normalisation. A place the system refused to look at
/// (a folder on the way that may not be searched, an I/O error) is no answer: when the target
/// is found nowhere else, the resolution says that it could not look, not that it is missing.
class BookmarkResolver {
public:
    BookmarkResolver(std::vector<PathMapping> mappings, const MountTable& mounts);

    /// The target; else damaged when no candidate exists (the alias is broken), unreadable
    /// with the errno of the first refused look when some place could not be looked at.
    ReadResult<Resolution> resolve(const bookmark::BookmarkInfo& info) const;

    /// The candidate places of the target, in the order they are tried. Empty when the bookmark
    /// names no usable path (no components and no volume, or a component that can't be a name).
    std::vector<ResolutionCandidate> candidates(const bookmark::BookmarkInfo& info) const;

    /// The stored path: "/" + components; for a volume root, the volume's path. None when the
    /// bookmark has no usable path, or does not say where its target is (not `pathKnown`).
    static std::optional<std::string> storedPath(const bookmark::BookmarkInfo& info);

private:
    std::vector<PathMapping> mappings_; // longest Mac prefix first
    /// The usable mappings by their Mac prefix's components in normalisation form C (joined by
    /// slashes), each list in the order of `mappings_`: a path finds its mappings with one look
    /// per component, however many there are.
    std::unordered_map<std::string, std::vector<std::size_t>> byPrefix_;
    const MountTable& mounts_;
    PathLocator locator_;
};

} // namespace korvex
