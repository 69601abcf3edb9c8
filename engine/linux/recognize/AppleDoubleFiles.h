#pragma once

#include "ArchiveRoots.h"
#include "FileDescriptor.h"

#include <string>
#include <string_view>
#include <vector>

namespace korvex {

class FolderListing;

/// The AppleDouble files that may hold an entry's FinderInfo and resource fork, in the order
/// they are believed: `._NAME` beside it (macOS on foreign disks, Samba, netatalk 3);
/// `.AppleDouble/NAME` (netatalk 2, and netatalk 3 with `ea = ad`); `ROOT/__MACOSX/REL/._NAME`
/// for each folder ROOT at or above the entry's folder, nearest first, that holds a `__MACOSX`
/// folder (a zip archive made on a Mac, unpacked; REL leads from ROOT to the entry's folder),
/// on the entry's file system, however far above a walk's folder (see ArchiveRoots). Every
/// file is opened relative to a folder descriptor, never through a symbolic link, and only
/// when it is a regular file; a ROOT is reached from the entry's folder through "..". One
/// object serves one entry on one thread, and the name it is given must outlive it.
class AppleDoubleFiles {
public:
    /// For an entry of a walked folder: the listing tells which places exist, so an ordinary
    /// folder costs nothing beyond the lookup of `._NAME` in the listing.
    AppleDoubleFiles(const FolderListing& listing, std::string_view name);
    /// For the entry `name` of the open folder `folderFd` whose path is `folderPath` (names
    /// the folders above; empty: none of them is looked at): the places are looked up on the
    /// disk.
    AppleDoubleFiles(int folderFd, std::string folderPath, std::string_view name);
    AppleDoubleFiles(const AppleDoubleFiles&) = delete;
    AppleDoubleFiles& operator=(const AppleDoubleFiles&) = delete;

    /// Opens the next of the places that holds a regular file (read-only, non-blocking); none
    /// when none is left, or when a place could not be opened (see `error`).
    FileDescriptor openNext();

    /// The errno of the place that is there but could not be opened (permission, I/O error,
    /// no descriptor left); 0 when none. The places after it are not looked at: what it holds
    /// would be believed before them.
    int error() const { return error_; }

private:
    FileDescriptor openInArchive(int rootFd, std::string_view below, std::string_view sidecarName);

    const FolderListing* listing_ = nullptr;
    int folderFd_ = -1;
    std::string folderPath_; // without a listing only
    std::string_view name_;  // kept alive by the caller
    int step_ = 0;
    int error_ = 0;
    bool rootsKnown_ = false;
    bool holdsArchive_ = false; ///< the entry's folder holds `__MACOSX` itself
    const std::vector<ArchiveRoot>* roots_ = nullptr; ///< those above it
    std::vector<ArchiveRoot> found_;                  ///< found on the disk (without a listing)
};

} // namespace korvex
