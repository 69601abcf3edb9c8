#pragma once

#include "Bookmark.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace korvex::bookmark {

/// The stored properties of a bookmark as text: a dictionary in the bookmark services' terms
/// (`_NSURLPathKey`, `NSURLVolumeNameKey`, ...), keys sorted, strings quoted, dates ISO 8601
/// UTC, numbers plain, booleans true/false, data as hex (long data shortened, with its length),
/// keys without a name by their hex code. Same bookmark, same text.
class BookmarkDescription {
public:
    /// The dictionary text, e.g. `["NSURLNameKey": "x", "_NSURLPathKey": "/x"]`.
    static std::string describe(const Bookmark& bookmark);

    /// The dictionary text of bookmark bytes, or none when they can't be read.
    static std::optional<std::string> describe(std::span<const std::uint8_t> bytes);
};

} // namespace korvex::bookmark
