#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace korvex {

/// What became of one alias met by a scan (and the repairs after it).
enum class AliasStatus { ok, broken, refreshed, relinked, unreadable, failed };

/// The word a status is written as: "ok", "broken", "refreshed", ...
std::string_view statusWord(AliasStatus status);

/// One alias met by a scan (or an entry that could not be examined: it may be one).
struct AliasRecord {
    std::string path;         ///< absolute
    std::string relativePath; ///< below the scanned folder
    AliasStatus status = AliasStatus::unreadable;
    /// For `unreadable`: the errno of the read the system refused (0: none known).
    int error = 0;
    /// The stored target path and volume name, when the bookmark data could be read.
    std::optional<std::string> target;
    std::optional<std::string> volume;
    /// Why a refresh or relink failed (status `failed`); what was damaged (status `broken`, when
    /// it was the data); what could not be read when it was not the alias itself (status
    /// `unreadable`, its target: `error` says why).
    std::string reason;
};

} // namespace korvex
