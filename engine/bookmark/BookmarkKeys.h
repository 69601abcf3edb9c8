#pragma once

#include <cstdint>

namespace korvex::bookmark {

/// Ids of the tables of contents.
namespace tocId {
inline constexpr std::uint32_t target = 1;
inline constexpr std::uint32_t bootVolume = 0xF000;
inline constexpr std::uint32_t diskImage = 4000;
} // namespace tocId

/// Keys of table entries, as macOS writes them.
namespace key {
inline constexpr std::uint32_t targetUrl = 0x1003;
inline constexpr std::uint32_t pathComponents = 0x1004;
inline constexpr std::uint32_t fileIDs = 0x1005;
inline constexpr std::uint32_t resourceProps = 0x1010;
inline constexpr std::uint32_t fileName = 0x1020;
inline constexpr std::uint32_t fileID = 0x1030;
inline constexpr std::uint32_t creationDate = 0x1040;
inline constexpr std::uint32_t relativeDirsUp = 0x1054;
inline constexpr std::uint32_t relativeDirsDown = 0x1055;
inline constexpr std::uint32_t createdWithRelativeUrl = 0x1056;
inline constexpr std::uint32_t volInfoDepths = 0x2000;
inline constexpr std::uint32_t volPath = 0x2002;
inline constexpr std::uint32_t volUrl = 0x2005;
inline constexpr std::uint32_t volName = 0x2010;
inline constexpr std::uint32_t volUuid = 0x2011;
inline constexpr std::uint32_t volCapacity = 0x2012;
inline constexpr std::uint32_t volCreationDate = 0x2013;
inline constexpr std::uint32_t volProps = 0x2020;
inline constexpr std::uint32_t volWasBoot = 0x2030;
inline constexpr std::uint32_t volBookmark = 0x2040;
inline constexpr std::uint32_t volMountUrl = 0x2050;
inline constexpr std::uint32_t homeRelativeComponentCount = 0xC001;
inline constexpr std::uint32_t userName = 0xC011;
inline constexpr std::uint32_t userUid = 0xC012;
inline constexpr std::uint32_t wasFileIdFormat = 0xD001;
inline constexpr std::uint32_t creationOptions = 0xD010;
inline constexpr std::uint32_t urlLengths = 0xE003;
inline constexpr std::uint32_t displayName = 0xF017;
inline constexpr std::uint32_t effectiveIconData = 0xF020;
inline constexpr std::uint32_t iconRef = 0xF021;
inline constexpr std::uint32_t typeBindingData = 0xF022;
inline constexpr std::uint32_t creationTime = 0xF030;
inline constexpr std::uint32_t sandboxRwExtension = 0xF080;
inline constexpr std::uint32_t sandboxRoExtension = 0xF081;
inline constexpr std::uint32_t aliasData = 0xFE00;
/// Bit 31 of a key: the key is named by the string record at (key & 0x7FFFFFFF).
inline constexpr std::uint32_t namedKeyBit = 0x80000000;
} // namespace key

} // namespace korvex::bookmark
