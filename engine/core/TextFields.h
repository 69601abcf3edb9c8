#pragma once

#include <string>
#include <string_view>

namespace korvex {

/// The escaping of the small line-based text files Korvex keeps (path mappings, the relink
/// journal): fields are separated by tabs and records by line feeds, so a backslash, tab, line
/// feed or carriage return inside a field is written as `\\`, `\t`, `\n` or `\r`; every other
/// byte stays as it is (paths are bytes).
void appendEscapedField(std::string& out, std::string_view field);

/// `field` with its escapes undone into `out` (cleared first); false for a lone backslash or an
/// unknown escape.
bool unescapeField(std::string_view field, std::string& out);

} // namespace korvex
