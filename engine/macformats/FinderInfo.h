#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace korvex {

/// The 32 bytes of Finder information a Mac keeps for every file (FInfo + FXInfo, big-endian).
struct FinderInfo {
    static constexpr std::size_t size = 32;

    std::array<std::uint8_t, size> bytes{};

    /// All zero: macOS treats such FinderInfo as absent.
    bool isZero() const;

    /// The alias flag (kIsAlias, 0x8000 in fdFlags at offset 8) is set.
    bool isAlias() const { return (bytes[8] & 0x80) != 0; }

    /// FinderInfo stored as a bare 32-byte value (the `com.apple.FinderInfo` attribute), with
    /// one trailing extra byte tolerated (some servers append a NUL). None for any other size.
    static std::optional<FinderInfo> fromRaw(std::span<const std::uint8_t> blob);

    /// The first 32 bytes of `bytes`; none when there are fewer.
    static std::optional<FinderInfo> fromPrefix(std::span<const std::uint8_t> bytes);
};

} // namespace korvex
