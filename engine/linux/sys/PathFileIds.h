#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvex {

/// File ids of the components of a path, in the terms of a Mac that has the same file system:
/// only the components on the target's own file system (the one holding the last component)
/// can have ids that file system's Mac knows; a component above it (a mount point's folders,
/// `/Volumes` on this machine) is a folder of another file system, whose inode numbers mean
/// nothing to the Mac.
struct PathFileIds {
    /// One per component: the inode number where `persistent` and the component lies on the
    /// target's file system; none elsewhere.
    std::vector<std::optional<std::int64_t>> ids;
    /// The first component of the run down to the target that lies on the target's file
    /// system (the size of `ids` when the target can't be looked at).
    std::size_t firstOnTarget = 0;
    /// Whether the target's file system keeps ids that last (false: FAT and exFAT, whose
    /// numbers here are made up at mount time and which a Mac records as unknown).
    bool persistent = false;

    /// For `path` (absolute, normalised); the root "/" has no components.
    static PathFileIds of(const std::string& path);
};

} // namespace korvex
