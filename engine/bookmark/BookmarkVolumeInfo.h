#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvex::bookmark {

/// A volume as a bookmark describes it (the target's volume, the boot volume, or the volume
/// that holds a disk image). Every field is optional: absent when the bookmark lacks the key.
struct BookmarkVolumeInfo {
    std::optional<std::string> path; ///< mount point on the Mac that made the bookmark
    std::optional<std::string> url;  ///< e.g. "file:///Volumes/X/"
    std::optional<std::string> name;
    std::optional<std::string> uuid; ///< as stored (36 upper-case characters)
    std::optional<std::int64_t> capacity;
    std::optional<double> creationDate;                ///< seconds since 2001-01-01 UTC
    std::optional<std::array<std::uint64_t, 3>> props; ///< flags, valid mask, third word
    std::optional<bool> wasBoot;
    /// Only in nested tables (disk image): the path components of the file the table names.
    std::optional<std::vector<std::string>> pathComponents;

    /// Volume flag: the file system keeps file ids that last (FAT and exFAT don't).
    static constexpr std::uint64_t persistentIdsFlag = 0x100000000;

    /// Whether the flags say, as valid, that the volume keeps no persistent file ids.
    static bool saysNoPersistentIds(const std::optional<std::array<std::uint64_t, 3>>& flags) {
        return flags && ((*flags)[1] & persistentIdsFlag) && !((*flags)[0] & persistentIdsFlag);
    }

    bool operator==(const BookmarkVolumeInfo&) const = default;
};

} // namespace korvex::bookmark
