#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

/// Big-endian fields of classic Mac structures. Callers check bounds first, with `fits`.
namespace korvex::classic {

inline std::uint16_t be16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}

inline std::uint32_t be32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} << 24 | std::uint32_t{b[at + 1]} << 16 |
           std::uint32_t{b[at + 2]} << 8 | std::uint32_t{b[at + 3]};
}

inline std::uint64_t be64(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint64_t{be32(b, at)} << 32 | be32(b, at + 4);
}

/// Whether `count` bytes from `offset` lie inside `size` bytes, without overflowing.
inline bool fits(std::size_t size, std::size_t offset, std::size_t count) {
    return offset <= size && count <= size - offset;
}

} // namespace korvex::classic
