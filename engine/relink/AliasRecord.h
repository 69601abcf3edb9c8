#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvex {

/// What became of one alias met by a scan (and the repairs after it).
enum class AliasStatus { ok, broken, refreshed, relinked, unreadable, failed };

/// The word a status is written as: "ok", "broken", "refreshed", ...
std::string_view statusWord(AliasStatus status);

/// One alias met by a scan.
struct AliasRecord {
    std::string path;         ///< absolute
    std::string relativePath; ///< below the scanned folder
    AliasStatus status = AliasStatus::unreadable;
    /// The stored target path and volume name, when the bookmark data could be read.
    std::optional<std::string> target;
    std::optional<std::string> volume;
    /// Why a refresh or relink failed (status `failed`).
    std::string reason;
};

} // namespace korvex
