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

inline std::uint32_t readLittleEndian32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at + 3]} << 24 | std::uint32_t{bytes[at + 2]} << 16 |
           std::uint32_t{bytes[at + 1]} << 8 | std::uint32_t{bytes[at]};
}

} // namespace korvex
