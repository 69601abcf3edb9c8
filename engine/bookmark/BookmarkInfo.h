#pragma once

#include "Bookmark.h"
#include "BookmarkVolumeInfo.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvex::bookmark {

/// The typed view of a bookmark: what it says about its target, the target's volume and its
/// creator. Plain data; absent keys are empty optionals (or empty vectors).
struct BookmarkInfo {
    /// Path of the target from the file-system root of the Mac that made the bookmark; empty
    /// for a volume root.
    std::vector<std::string> pathComponents;
    /// Whether the bookmark says where its target is (path components, or a file URL when it
    /// has no components). When false, `pathComponents` is empty but does NOT mean the root.
    bool pathKnown = false;
    /// One file id per component; none where the id is unknown (a null record).
    std::vector<std::optional<std::int64_t>> fileIDs;
    std::optional<std::array<std::uint64_t, 3>> resourceProps; ///< flags, valid mask, third
    std::optional<double> creationDate;                        ///< seconds since 2001-01-01 UTC
    std::optional<std::string> fileName;                       ///< stored for volume roots only

    std::optional<std::string> volumePath;
    std::optional<std::string> volumeURL;
    std::optional<std::string> volumeName;
    std::optional<std::string> volumeUUID;
    std::optional<std::int64_t> volumeCapacity;
    std::optional<double> volumeCreationDate;
    std::optional<std::array<std::uint64_t, 3>> volumeProps;
    std::optional<bool> volumeWasBoot;

    std::optional<std::int64_t> homeRelativeComponentCount; ///< components below the home folder
    std::optional<std::string> creatorUser;
    std::optional<std::int64_t> creatorUid;
    std::optional<bool> wasFileIDFormat;
    std::optional<std::int64_t> creationOptions;
    std::optional<std::string> displayName;
    std::optional<std::vector<std::uint8_t>> typeBindingData; ///< opaque `dnib` blob

    /// The boot-volume table (0xF000), present when the target is on another volume.
    std::optional<BookmarkVolumeInfo> bootVolume;
    /// The disk-image table (4000): the file and volume holding the target's disk image.
    std::optional<BookmarkVolumeInfo> diskImage;

    /// "/" + the components joined by "/"; "/" for the root.
    std::string targetPath() const;
    /// The target volume's fields as one value.
    BookmarkVolumeInfo volume() const;

    /// Reads the known keys of `bookmark`; values of unexpected types are left out.
    static BookmarkInfo from(const Bookmark& bookmark);

    /// Stores every field that is set into `bookmark` (tables 1, 0xF000, 4000), in the
    /// encodings macOS uses, and leaves every other entry as it was. The path components are
    /// stored unless they are empty and not `pathKnown` while the bookmark already has some
    /// (an unknown path never becomes the root); empty file IDs leave the stored ones. A
    /// boot-volume table also stores the volume depths [0xF000, 0, 1, 0], a disk-image table the
    /// reference 0x2040 = 4000.
    void applyTo(Bookmark& bookmark) const;

    bool operator==(const BookmarkInfo&) const = default;
};

} // namespace korvex::bookmark
