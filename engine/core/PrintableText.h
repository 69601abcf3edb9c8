#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

/// How Korvex prints a name it did not choose (a path, a name stored in an alias) wherever it
/// shows one: report, command-line output, window, sidecar files. Names are bytes and may hold
/// anything but NUL and `/`; printed raw, a control character could move the cursor, erase
/// lines or retitle a terminal. So the result is always valid UTF-8 on one line, without
/// control characters, and can be read back without doubt:
///   - a backslash is written `\\`;
///   - line feed, tab and carriage return are `\n`, `\t` and `\r`;
///   - every other control character, C0 (U+0000-U+001F), DEL (U+007F) and C1
///     (U+0080-U+009F), is `\u{HEX}` with its code point in upper-case hex, e.g. ESC `\u{1B}`;
///   - a byte that is not part of valid UTF-8 is `\xHH`, e.g. `\xFF`;
///   - everything else (letters of any script, accents, emoji, blanks) stays as it is.
/// `quote`, when not NUL, is escaped too (`\"` for '"'), for text shown in quotes.
/// Once `out` is longer than `cap` bytes nothing more is added, at a character's end, and the
/// answer is false; true when all of `text` was added.
bool appendPrintable(std::string& out, std::string_view text, char quote = '\0',
                     std::size_t cap = SIZE_MAX);

/// `text` as `appendPrintable` writes it.
std::string printable(std::string_view text);

} // namespace korvex
