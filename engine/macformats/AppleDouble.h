#pragma once

#include "FinderInfo.h"

#include <cstdint>
#include <optional>
#include <span>

namespace korvex {

/// Reader of AppleDouble version 2 headers: `._NAME` sidecars and netatalk metadata blobs.
/// All fields are big-endian; every offset and length is checked against the bytes at hand
/// and against the size of the whole file, never trusted.
namespace AppleDouble {

inline constexpr std::uint32_t magic = 0x00051607;
inline constexpr std::uint32_t version2 = 0x00020000;
inline constexpr std::uint32_t finderInfoEntry = 9;
inline constexpr std::uint32_t fileDatesEntry = 8; // creation, modification, backup, access
/// The extended attribute in which netatalk keeps a file's AFP metadata as AppleDouble.
inline constexpr const char* netatalkAttributeName = "user.org.netatalk.Metadata";
inline constexpr std::size_t headerSize = 26; // magic, version, filler, entry count
inline constexpr std::size_t entrySize = 12;  // id, offset, length

/// Where one entry's bytes lie in the file.
struct Entry {
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
};

/// Finds the first entry with `id` in the entry table held in `head` (the first bytes of a
/// file of `totalSize` bytes; `head` may be the whole file). None when the header is not
/// AppleDouble v2, the table does not lie wholly inside `head`, or the entry is missing or
/// reaches past `totalSize`.
std::optional<Entry> findEntry(std::span<const std::uint8_t> head, std::uint64_t totalSize,
                               std::uint32_t id);

/// The FinderInfo of a complete AppleDouble blob (entry 9, at least 32 bytes long), or none.
std::optional<FinderInfo> finderInfo(std::span<const std::uint8_t> blob);

/// The creation date of a complete AppleDouble blob (entry 8: big-endian signed seconds since
/// 2000-01-01 UTC), in seconds since 2001-01-01 UTC; none when it has none or says "unknown"
/// (0x80000000).
std::optional<double> creationDate(std::span<const std::uint8_t> blob);

} // namespace AppleDouble
} // namespace korvex
