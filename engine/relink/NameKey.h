#pragma once

#include <string>
#include <string_view>

namespace korvex {

/// How closely a name found on disk matches the name an alias stores, best first.
enum class NameMatch {
    exact,      ///< the same bytes
    equivalent, ///< the same once both are in Unicode normalisation form C
    caseless,   ///< the same once case is folded too
    none,
};

/// The key under which names are looked up: the name in normalisation form C with its case
/// folded. ASCII names take a fast path (lower case); bytes that are not well-formed UTF-8 are
/// their own key, so they only ever match themselves.
std::string nameKey(std::string_view name);

/// How `found` matches `stored`.
NameMatch matchName(std::string_view stored, std::string_view found);

} // namespace korvex
