#pragma once

#include "BookmarkData.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvex {

/// The new target of a relink, in the terms of the Mac that uses the alias.
struct RelinkTarget {
    /// The target's path on that Mac.
    std::string macPath;
    bool isDirectory = false;
    /// The target's creation date (seconds since 2001-01-01 UTC), when known.
    std::optional<double> creationDate;
    /// One file id per component of `macPath`, when the Mac sees the very same file system
    /// (the Mac path is the local path); else empty.
    std::vector<std::optional<std::int64_t>> fileIDs;
};

/// Bookmark data that names a new target: the old data with the path replaced and everything
/// that described the old target, and only that, removed or made anew. Values that stay the
/// same keep their records and the record order stays (see Bookmark::set).
///
/// Written: path components; kind bits of the resource flags (package and application bits
/// dropped for a file); creation date where known; file ids: those of the leading components
/// the old path shares (the same folders on the Mac), and for the others `target.fileIDs`
/// unless the stored volume keeps no persistent ids (none known: no ids key). Dropped: the
/// target URL, file id, relative-path hints, home-relative count, URL lengths, sandbox
/// extensions and the embedded classic alias record (all of them name the old target); the
/// display name when the name changed; the type binding when it can't be made for the new
/// name (it is made anew where it has the layout macOS writes). Kept: the volume when the new
/// path lies on it; else every fact of the old volume goes (BookmarkVolumeChange) and the
/// volume is the one the new path names (/Volumes/NAME, or the Mac's root volume, described
/// from the boot-volume table where the data has one). Every other entry (creator, creation
/// options, icon, unknown keys) and the container form stay as they were.
class RelinkedBookmark {
public:
    /// None when `previous` can't be read or `target` has no usable path.
    static std::optional<BookmarkData> make(const BookmarkData& previous,
                                            const RelinkTarget& target);
};

} // namespace korvex
