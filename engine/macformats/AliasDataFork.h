#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvex {

/// The data fork of a Finder alias file written since Mac OS X 10.6: the 16-byte magic
/// `book\0\0\0\0mark\0\0\0\0`, then little-endian header size (0x38), header size again,
/// length of the bookmark data after the header, version.
namespace AliasDataFork {

inline constexpr std::size_t headerSize = 56;
/// Bytes to read from the start of a file to decide.
inline constexpr std::size_t probeSize = 32;
/// Every alias data fork that macOS writes is at least this long and a multiple of 4 bytes.
inline constexpr std::uint64_t minimumSize = 80;
/// The most bookmark data ever read from a file (real alias files reach a few MiB, with
/// custom icons); a larger file is no alias by its content alone, and isn't opened for it.
inline constexpr std::uint64_t maximumSize = 16 * 1024 * 1024;

/// True when a file of `fileSize` bytes could hold an alias data fork at all (size alone:
/// lets a walk skip opening most ordinary files).
bool sizeFits(std::uint64_t fileSize);

/// True when `head` (the first bytes of a file of `fileSize` bytes, at least `probeSize` of
/// them) starts with the alias magic and its stated lengths fit inside the file.
bool headerFits(std::span<const std::uint8_t> head, std::uint64_t fileSize);

} // namespace AliasDataFork
} // namespace korvex
