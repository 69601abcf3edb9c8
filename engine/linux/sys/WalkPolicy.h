#pragma once

#include <cstddef>
#include <string_view>

namespace korvex {

class FolderListing;

/// What every walk of a Linux disk agrees on (the scan's walk, its read-ahead pool and the
/// candidate search): which folders are never walked, which file systems are never entered,
/// where entries can be examined without the folders above them, and how many folder
/// descriptors a walk may hold. Stateless; safe from any thread.
class WalkPolicy {
public:
    /// A folder of Mac metadata (netatalk's `.AppleDouble`, an unpacked zip archive's
    /// `__MACOSX`): it holds AppleDouble files, never aliases. Read as carriers, never walked.
    static bool isMetadataFolder(std::string_view name) {
        return name == ".AppleDouble" || name == "__MACOSX";
    }

    /// Mac metadata of any kind: a metadata folder or an AppleDouble `._NAME` file. Never the
    /// target of an alias, however it is named.
    static bool isMacMetadata(std::string_view name) {
        return name.substr(0, 2) == "._" || isMetadataFolder(name);
    }

    /// Whether a folder on the file system `magic` (statfs's f_type) may be entered: not one of
    /// the kernel's pseudo file systems (proc, sysfs, ...: their "files" are not files, and
    /// reading some blocks or has side effects), nor an automount point (opening a folder there
    /// would mount something). Another ordinary file system below the walked folder is walked
    /// like any folder.
    static bool entersFileSystem(long magic);

    /// Whether the entries of `listing`'s folder, and of the folders below it, can be examined
    /// knowing only their own folder: none of them lies in an unpacked Mac archive, whose
    /// AppleDouble files sit in a `__MACOSX` above them.
    static bool examinesBelowAlone(const FolderListing& listing);

    /// The descriptors this process may open (its soft limit; 1024 when unlimited or unknown).
    static std::size_t processDescriptors();

    /// Folder descriptors one walk keeps open at most: a quarter of the process's, never more
    /// than 256 and never fewer than `least` (what the walk cannot do without). Deeper folders
    /// close those of their ancestors, which are opened again later.
    static std::size_t folderDescriptors(std::size_t least);
};

} // namespace korvex
