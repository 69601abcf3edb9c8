#pragma once

#include "BookmarkData.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

/// Suffix of the sidecar written beside an alias before it is relinked (with mark on).
inline constexpr std::string_view relinkSuffix = "-korvex-relink.text";

/// What undoing one relink needs: where the alias is, what it held before and after.
struct RelinkRecord {
    std::string folder;       ///< the scanned folder (absolute)
    std::string relativePath; ///< the alias, below it
    BookmarkData before;
    BookmarkData after;

    friend bool operator==(const RelinkRecord&, const RelinkRecord&) = default;

    /// The lines that close a relink sidecar (after the description of the old data): the old
    /// and new data in base64.
    std::string sidecarLines() const;
    /// The old and new data read back from a sidecar's text; none without both lines.
    static std::optional<RelinkRecord> fromSidecar(std::string_view text);

    /// One line of the undo journal (ends in a line feed).
    std::string journalLine() const;
    /// The records of a journal's text; lines that can't be read are skipped.
    static std::vector<RelinkRecord> fromJournal(std::string_view text);
};

} // namespace korvex
