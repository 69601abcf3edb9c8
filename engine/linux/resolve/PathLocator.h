#pragma once

#include "FolderNameIndex.h"
#include "MountTable.h"

#include "ReadResult.h"

#include <memory>
#include <string>

namespace korvex {

/// An entry found on this machine.
struct LocatedEntry {
    std::string path;
    bool isDirectory = false;
};

/// Looks entries up by absolute path without ever mounting anything: a path below an automount
/// point that has nothing mounted on it is taken as missing, and the last component is looked
/// up without following a link and without triggering an automount. Each folder searched for an
/// equivalent name is read once (again only when it changed); copies share what was read.
/// A lookup answers the entry; else gone when nothing is there, unreadable with the errno when
/// the system refused to look (a folder on the way that may not be searched, an I/O error).
class PathLocator {
public:
    explicit PathLocator(const MountTable& mounts)
        : mounts_(mounts), names_(std::make_shared<FolderNameIndex>()) {}

    /// The entry at exactly `path` (the bytes as given).
    ReadResult<LocatedEntry> exact(const std::string& path) const;

    /// The entry whose path matches `path` component by component when names are compared in
    /// Unicode normalisation form C: an exact name wins; else the first matching name of the
    /// folder in byte order. Gone when some component has no match.
    ReadResult<LocatedEntry> anyNormalisation(const std::string& path) const;

    /// How often a folder was read in search of an equivalent name.
    std::size_t foldersRead() const { return names_->foldersRead(); }

private:
    const MountTable& mounts_;
    std::shared_ptr<FolderNameIndex> names_;
};

} // namespace korvex
