#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace korvex {

/// Unsigned big-endian integers from bytes the caller has checked to be there.
inline std::uint16_t readBigEndian16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

inline std::uint32_t readBigEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
           std::uint32_t{bytes[at + 2]} << 8 | std::uint32_t{bytes[at + 3]};
}

inline std::uint64_t readBigEndian64(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint64_t{readBigEndian32(bytes, at)} << 32 | readBigEndian32(bytes, at + 4);
}

inline std::uint32_t readLittleEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at + 3]} << 24 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at]};
}

/// Whether `count` bytes from `offset` lie inside `size` bytes, without overflowing.
inline bool rangeFits(std::size_t size, std::size_t offset, std::size_t count) {
    return offset <= size && count <= size - offset;
}

} // namespace korvex
