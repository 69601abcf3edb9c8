#pragma once

#include "FinderInfo.h"

#include <cstdint>
#include <optional>
#include <span>

namespace korvex {

/// Reader of the 60-byte AFP_AfpInfo stream that SMB servers keep for Mac clients:
/// "AFP\0", version 0x00000100 (big-endian), reserved, backup time, FinderInfo at 16.
namespace AfpInfo {

inline constexpr std::size_t size = 60;
inline constexpr std::size_t finderInfoOffset = 16;

/// The FinderInfo held in an AfpInfo blob of 60 bytes (61 tolerated: stream stores append one
/// byte). None for a wrong signature, version or size.
std::optional<FinderInfo> finderInfo(std::span<const std::uint8_t> blob);

} // namespace AfpInfo
} // namespace korvex
