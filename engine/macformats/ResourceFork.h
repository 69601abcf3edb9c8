#pragma once

#include "BookmarkResult.h"

#include <cstdint>
#include <span>

namespace korvex::classic {

/// Reader of a Mac resource fork: header (offsets and lengths of the data and the map), the
/// resource map with its type list and reference lists, and the length-prefixed resource data.
/// Big-endian throughout. Every offset and length is checked against the fork and the map;
/// counts are bounded by the bytes that would hold them, so no map, however made, costs more
/// than one pass over its type list and one over a reference list.
class ResourceFork {
public:
    static constexpr std::uint32_t aliasType = 0x616C6973; // 'alis'

    /// The bytes of the resource `type` with the ID `preferredId`, else of the first resource
    /// of that type in the map. An error when the fork is damaged or holds no such resource.
    static bookmark::BookmarkResult<std::span<const std::uint8_t>>
    find(std::span<const std::uint8_t> fork, std::uint32_t type, std::int16_t preferredId = 0);

    /// Whether `bytes` start like a resource fork (header fields that fit the size): a cheap
    /// test, before `find`.
    static bool looksLikeFork(std::span<const std::uint8_t> bytes);
};

} // namespace korvex::classic
