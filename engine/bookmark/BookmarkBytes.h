#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

/// Little helpers for the fixed-width fields of bookmark data. Callers check bounds first.
namespace korvex::bookmark::bytes {

inline std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t(b[at]) | std::uint32_t(b[at + 1]) << 8 | std::uint32_t(b[at + 2]) << 16 |
           std::uint32_t(b[at + 3]) << 24;
}

inline std::uint64_t le64(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint64_t(le32(b, at)) | std::uint64_t(le32(b, at + 4)) << 32;
}

inline std::uint64_t be64(std::span<const std::uint8_t> b, std::size_t at) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < 8; ++i)
        v = v << 8 | b[at + i];
    return v;
}

/// Whether `count` bytes starting at `offset` lie inside a buffer of `size` bytes, without
/// any arithmetic that could overflow.
inline bool fits(std::uint64_t offset, std::uint64_t count, std::uint64_t size) {
    return offset <= size && count <= size - offset;
}

inline void putLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

inline void putLe64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

inline void putBe64(std::vector<std::uint8_t>& out, std::uint64_t v) {
    for (int i = 7; i >= 0; --i)
        out.push_back(std::uint8_t(v >> (8 * i)));
}

inline void setLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out[at + i] = std::uint8_t(v >> (8 * i));
}

/// Size in bytes of a number record's payload for CFNumber `subtype`; 0 for no such subtype.
inline std::size_t numberSize(std::uint32_t subtype) {
    static constexpr std::uint8_t sizes[17] = {0, 1, 2, 4, 8, 4, 8, 1, 2, 4, 8, 8, 4, 8, 8, 8, 8};
    return subtype < 17 ? sizes[subtype] : 0;
}

/// Whether CFNumber `subtype` is a floating-point type.
inline bool numberIsReal(std::uint32_t subtype) {
    return subtype == 5 || subtype == 6 || subtype == 12 || subtype == 13 || subtype == 16;
}

/// Seconds between 1970-01-01 and 2001-01-01 (the epoch of bookmark dates).
inline constexpr double appleEpochOffset = 978307200.0;

} // namespace korvex::bookmark::bytes
