#pragma once

#include "BookmarkResult.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace korvex::classic {

/// A classic Alias Manager record (resource 'alis' of an alias file made before Mac OS X 10.6,
/// and bookmark key 0xFE00 of 10.6 to 10.11): versions 2 and 3, big-endian. A fixed part
/// (150 bytes in version 2, 58 in version 3) followed by tagged fields (tag i16, length u16,
/// value padded to an even length) up to tag -1. Names are turned into UTF-8; dates are kept
/// as seconds since 1904-01-01 as stored (local time in version 2's fixed part, UTC in the
/// high-resolution forms).
struct AliasRecord {
    std::uint32_t appCode = 0;
    std::uint16_t recordSize = 0;
    std::uint16_t version = 0;
    std::uint16_t kind = 0; ///< 0 file, 1 folder

    std::string volumeName; ///< tag 15 when present, else version 2's Pascal name
    std::optional<double> volumeCreated;
    std::uint32_t fileSystem = 0; ///< 'H+' (version 2: two bytes, in the high half)
    std::uint16_t diskType = 0;
    std::uint32_t parentCNID = 0;
    std::string targetName; ///< tag 14 when present, else version 2's Pascal name
    std::uint32_t targetCNID = 0;
    std::optional<double> targetCreated;
    std::optional<std::uint32_t> targetCreator;  ///< version 2 only
    std::optional<std::uint32_t> targetType;     ///< version 2 only
    std::optional<std::int16_t> levelsFromAlias; ///< alias up to the common folder; -1 unknown
    std::optional<std::int16_t> levelsToTarget;  ///< common folder down to the target
    std::uint32_t volumeAttributes = 0;
    std::optional<std::uint16_t> fileSystemID; ///< version 2 only

    // Tagged fields.
    std::optional<std::string> folderName;        ///< 0
    std::vector<std::uint32_t> cnidPath;          ///< 1: parent folders' IDs, nearest first
    std::optional<std::string> carbonPath;        ///< 2: "Volume:folder:file"
    std::optional<std::string> appleShareZone;    ///< 3
    std::optional<std::string> appleShareServer;  ///< 4
    std::optional<std::string> appleShareUser;    ///< 5
    std::optional<std::string> driverName;        ///< 6
    std::optional<std::string> unicodeTargetName; ///< 14
    std::optional<std::string> unicodeVolumeName; ///< 15
    std::optional<double> volumeCreatedUtc;       ///< 16
    std::optional<double> targetCreatedUtc;       ///< 17
    std::optional<std::string> posixPath;         ///< 18: from the volume's root, no leading "/"
    std::optional<std::string> volumeMountPoint;  ///< 19
    std::optional<std::vector<std::uint8_t>> diskImageAlias; ///< 20: record of the disk image
    std::optional<std::uint16_t> userHomePrefixLength;       ///< 21: bytes of "/Users/name"
    /// Tags read but not named above (network mount 9, dial-up 10, ...), in stored order.
    std::vector<std::pair<std::int16_t, std::vector<std::uint8_t>>> otherTags;

    static constexpr std::size_t fixedSize2 = 150;
    static constexpr std::size_t fixedSize3 = 58;
    /// Seconds from 1904-01-01 (classic Mac epoch) to 2001-01-01 (bookmark epoch).
    static constexpr double epochTo2001 = 3061152000.0;

    /// Reads a record; an error (with its byte offset) when the bytes are no record of version
    /// 2 or 3, or a field runs past the record's stated size or the bytes given.
    static bookmark::BookmarkResult<AliasRecord> read(std::span<const std::uint8_t> bytes);

    /// Whether `bytes` start like a record: a stated size that fits and version 2 or 3.
    static bool looksLikeRecord(std::span<const std::uint8_t> bytes);
};

} // namespace korvex::classic
