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

    /// One value as the description renders it.
    static std::string valueText(const BookmarkValue& value);
    /// A bookmark date (seconds since 2001-01-01 UTC) in ISO 8601 UTC, e.g.
    /// "2017-09-24T14:03:55Z" (fractions of a second only when there are some); the plain
    /// number when it lies outside the years 1 to 9999.
    static std::string dateText(double seconds);
};

} // namespace korvex::bookmark
