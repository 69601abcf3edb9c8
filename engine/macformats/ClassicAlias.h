#pragma once

#include "Bookmark.h"
#include "BookmarkInfo.h"
#include "BookmarkResult.h"
#include "ClassicAliasRecord.h"

#include <cstdint>
#include <optional>
#include <span>

namespace korvex::classic {

/// What an alias's data says, whichever form it has: bookmark data, or a classic alias record
/// seen as bookmark data (the way the bookmark services synthesise bookmark data from it).
struct AliasContent {
    bookmark::Bookmark bookmark;
    std::optional<AliasRecord> record; ///< set when the data is a classic record
};

/// Classic alias records in the terms of bookmark data, so that resolution, descriptions and
/// sidecars treat both kinds alike.
///
/// The target path: the record's POSIX path below its volume's mount point when it holds
/// them; else "/Volumes/VOLUME/..." from the Carbon path (the mount point a Mac gives a volume
/// that is not its boot volume), or the target itself when the record says it sits at the
/// volume's root. Without any of these the path is unknown and the alias can't resolve.
class ClassicAlias {
public:
    /// Reads bookmark data, else a bare alias record, else a resource fork holding one.
    static bookmark::BookmarkResult<AliasContent> read(std::span<const std::uint8_t> bytes);

    /// The record's target and volume as bookmark fields.
    static bookmark::BookmarkInfo infoOf(const AliasRecord& record);

    /// The record as bookmark data (table 1): the fields that have bookmark keys under those
    /// keys, the rest under named keys with the record's own field names.
    static bookmark::Bookmark toBookmark(const AliasRecord& record);

    /// The description of a record embedded in bookmark data (key 0xFE00), or none when the
    /// bytes are no record.
    static std::optional<std::string> describeEmbedded(std::span<const std::uint8_t> bytes);
};

} // namespace korvex::classic
