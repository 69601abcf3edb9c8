#pragma once

#include "MountTable.h"

#include <optional>
#include <string>

namespace korvex {

/// An entry found on this machine.
struct LocatedEntry {
    std::string path;
    bool isDirectory = false;
};

/// Looks entries up by absolute path without ever mounting anything: a path below an automount
/// point that has nothing mounted on it is taken as missing, and the last component is looked
/// up without following a link and without triggering an automount.
class PathLocator {
public:
    explicit PathLocator(const MountTable& mounts) : mounts_(mounts) {}

    /// The entry at exactly `path` (the bytes as given), or none.
    std::optional<LocatedEntry> exact(const std::string& path) const;

    /// The entry whose path matches `path` component by component when names are compared in
    /// Unicode normalisation form C: an exact name wins; else the first matching name of the
    /// folder in byte order. None when some component has no match.
    std::optional<LocatedEntry> anyNormalisation(const std::string& path) const;

private:
    const MountTable& mounts_;
};

} // namespace korvex
