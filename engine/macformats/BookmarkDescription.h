#pragma once

#include "Bookmark.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace korvex::bookmark {

/// The stored properties of a bookmark as text: a dictionary in the bookmark services' terms
/// (`_NSURLPathKey`, `NSURLVolumeNameKey`, ...), keys sorted, strings quoted, dates ISO 8601
/// UTC, numbers plain, booleans true/false, data as hex (long data shortened, with its length),
/// keys without a name by their hex code. Same bookmark, same text.
class BookmarkDescription {
public:
    /// The most text a description gives unless asked for another limit.
    static constexpr std::size_t defaultLimit = std::size_t(1) << 20;

    /// The dictionary text, e.g. `["NSURLNameKey": "x", "_NSURLPathKey": "/x"]`. At most
    /// `limit` bytes: longer text is cut (nested parts and the whole end in "...") and
    /// describing stops there, so hostile data never builds more than a few times `limit`.
    static std::string describe(const Bookmark& bookmark, std::size_t limit = defaultLimit);

    /// The dictionary text of bookmark bytes, or none when they can't be read.
    static std::optional<std::string> describe(std::span<const std::uint8_t> bytes,
                                               std::size_t limit = defaultLimit);

    /// One value as the description renders it, cut like `describe`.
    static std::string valueText(const BookmarkValue& value, std::size_t limit = defaultLimit);
    /// `text` as the description shows strings, without the quotes: printable as every name
    /// Korvex shows (see `appendPrintable`), double quotes escaped too.
    static std::string escaped(std::string_view text);
    /// A bookmark date (seconds since 2001-01-01 UTC) in ISO 8601 UTC, e.g.
    /// "2017-09-24T14:03:55Z" (fractions of a second only when there are some); the plain
    /// number when it lies outside the years 1 to 9999.
    static std::string dateText(double seconds);
};

} // namespace korvex::bookmark
