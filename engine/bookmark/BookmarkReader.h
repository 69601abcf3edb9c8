#pragma once

#include "Bookmark.h"
#include "BookmarkResult.h"

#include <cstdint>
#include <span>

namespace korvex::bookmark {

/// Parses bookmark data in any of its three wrappers. Every length and offset is checked
/// against the bytes; whatever the bytes, it never reads outside them, never loops forever and
/// answers with a bookmark or an error saying what was wrong.
class BookmarkReader {
public:
    static BookmarkResult<Bookmark> read(std::span<const std::uint8_t> bytes);

    /// Limits on what a single bookmark may hold.
    static constexpr int maxDepth = 32;  ///< nesting of arrays, dictionaries, URLs
    static constexpr int maxTables = 64; ///< tables in the chain
};

} // namespace korvex::bookmark
