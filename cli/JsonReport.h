#pragma once

#include "AliasRecord.h"
#include "AliasRepair.h"
#include "ScanReport.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

/// The scan as JSON lines: one object per alias met, in walk order,
///   {"path": ..., "status": "ok"|"broken"|"refreshed"|"relinked"|"unreadable"|"failed",
///    "target": ..., "volume": ..., "reason": ..., "written": ..., "local": ...,
///    "candidates": [...]}
/// ("target" and "volume" when stored; "reason" for a failed refresh or relink; for a "broken"
/// one whose bookmark data is damaged (none when its target is missing); and for "unreadable":
/// the system's words for why an alias's data, or an entry's metadata, could not be read, or,
/// after "its target couldn't be looked for: ", why a folder on the way to its target could
/// not be searched; "written" (the Mac path now stored) and "local" (that target here) for a
/// relinked one; "candidates" only for aliases searched), then one summary object {"summary":
/// {...}} with the counts, whether the scan was stopped, the folder, the time (UTC, ISO 8601) and
/// the suggested mappings. `records` holds every alias met (the counts of the summary are theirs).
/// Bytes that are not UTF-8 become U+FFFD.
class JsonReport {
public:
    static void write(std::ostream& out, const std::string& folder,
                      const std::vector<AliasRecord>& records, const ScanReport& report,
                      const RepairResult* repair, std::string_view time);

    /// `text` as a JSON string, quotes included.
    static std::string quoted(std::string_view text);
};

} // namespace korvex
