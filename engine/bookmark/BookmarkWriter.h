#pragma once

#include "Bookmark.h"
#include "BookmarkInfo.h"

#include <cstdint>
#include <vector>

namespace korvex::bookmark {

/// Builds bookmark data: records 4-aligned and zero-padded, tables sorted by key with correct
/// sizes, the target table last.
class BookmarkWriter {
public:
    /// Fresh bookmark data from a typed description, with the keys macOS writes for creation
    /// option 1024 (suitable for an alias file): unset creation options become 1024, an unset
    /// wasFileIDFormat becomes true, and an unset type binding is made (TypeBinding) when the
    /// resource flags tell a file from a folder. A fresh header; for an alias file, `created`
    /// (seconds since 2001-01-01 UTC) is the creation time stored in the header.
    static std::vector<std::uint8_t> write(const BookmarkInfo& info, BookmarkContainer container,
                                           double created = 0);

    /// Writes a parsed (and maybe edited) bookmark back, keeping every entry and the header.
    /// Records keep the order they were read in, so unchanged macOS data comes back byte for
    /// byte; new records go after the old ones, before the tables.
    static std::vector<std::uint8_t> serialise(const Bookmark& bookmark);

    /// `previous` refreshed with every field set in `fresh` (see BookmarkInfo::applyTo).
    static std::vector<std::uint8_t> update(const Bookmark& previous, const BookmarkInfo& fresh);
};

} // namespace korvex::bookmark
