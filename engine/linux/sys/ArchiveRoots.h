#pragma once

#include "FileDescriptor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace korvex {

/// A folder above another one that holds a `__MACOSX` folder: the top of a zip archive made on
/// a Mac and unpacked, whose AppleDouble files for the folder below sit in
/// `ROOT/__MACOSX/BELOW`. Kept as what identifies it, never as an open descriptor, so that no
/// descriptor is held for it while the walk is below it.
struct ArchiveRoot {
    std::string below;    ///< from the root down to the folder: "a/b/" (never empty)
    std::uint32_t levels; ///< folders climbed from the folder up to the root ("a/b/": 2)
    dev_t device;
    ino_t inode;
};

/// Finds and opens the archive roots above a folder. Roots are looked for on the same file
/// system only (a mount point ends the climb), never through a symbolic link, at most
/// `ancestorLimit` folders up and never farther than an archive could reach (PATH_MAX); the
/// nearest `nearest` are kept.
class ArchiveRoots {
public:
    static constexpr std::size_t nearest = 8;
    static constexpr std::size_t ancestorLimit = 64;
    /// Folders climbed with one call: "../" this many times fits any PATH_MAX.
    static constexpr std::size_t climbStep = 128;

    /// The roots strictly above the open folder `folderFd`, nearest first, found on the disk by
    /// climbing through "..". `pathHint` (the folder's path, as the user gave it) names the
    /// folders on the way; where it doesn't (a link, ".."), the name is looked up in the
    /// parent by inode. None without a path.
    static std::vector<ArchiveRoot> above(int folderFd, std::string_view pathHint);

    /// The roots of the subfolder `name` of a folder whose own roots are `parentRoots` and
    /// which is (`parentDevice`, `parentInode`), holding a `__MACOSX` folder or not. None when
    /// the subfolder lies on another file system (`device`).
    static std::vector<ArchiveRoot> ofSubfolder(const std::vector<ArchiveRoot>& parentRoots,
                                                bool parentHoldsArchive, dev_t parentDevice,
                                                ino_t parentInode, std::string_view name,
                                                dev_t device);

    /// Opens `root` (for lookups only: O_PATH) by climbing `root.levels` times through ".."
    /// from the open folder `folderFd`; none unless what is reached is the very folder
    /// recorded. ".." is never a link, and the check makes a swapped folder harmless.
    static FileDescriptor open(int folderFd, const ArchiveRoot& root);

    /// Climbs `levels` folders up from `folderFd` through "..", opening the last one with
    /// `flags` (O_DIRECTORY and O_CLOEXEC are added); none unless it is (`device`, `inode`).
    static FileDescriptor climb(int folderFd, std::size_t levels, int flags, dev_t device,
                                ino_t inode);
};

} // namespace korvex
