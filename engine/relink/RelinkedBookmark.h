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
/// that described the old target, and only that, removed.
///
/// Written: path components; kind bits of the resource flags; file ids and creation date where
/// known. Dropped: the old file ids, creation date, target URL, display name, relative-path
/// hints, home-relative count, URL lengths, sandbox extensions and the embedded classic alias
/// record (all of them would name the old target). Kept: the volume when the new path lies on
/// it; else the volume becomes the one the new path names (/Volumes/NAME, or the Mac's root)
/// without the old one's UUID, size, dates and flags. Every other entry (creator, creation
/// options, type binding, icon, unknown keys) and the container form stay as they were.
class RelinkedBookmark {
public:
    /// None when `previous` can't be read or `target` has no usable path.
    static std::optional<BookmarkData> make(const BookmarkData& previous,
                                            const RelinkTarget& target);
};

} // namespace korvex
