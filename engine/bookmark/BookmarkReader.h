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

    /// The most memory (in bytes, counted as values and their copied payloads) that `read`
    /// lets bookmark data with a data area of `areaSize` bytes decode to. Records may be
    /// shared, so a few bytes can name a long string many times; past this the bytes are
    /// refused rather than expanded.
    static constexpr std::uint64_t decodedLimit(std::uint64_t areaSize) {
        return 4 * areaSize + (std::uint64_t(1) << 20);
    }
};

} // namespace korvex::bookmark
