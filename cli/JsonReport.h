#pragma once

#include "ScanReport.h"
#include "linux/AliasRepair.h"
#include "relink/AliasRecord.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

/// The scan as JSON lines: one object per alias met, in walk order,
///   {"path": ..., "status": "ok"|"broken"|"refreshed"|"relinked"|"unreadable"|"failed",
///    "reason": ..., "target": ..., "volume": ..., "candidates": [...]}
/// ("reason", the system's words for why it could not be read, for "unreadable": an alias whose
/// data, or an entry whose metadata, the system did not let be read; "target" and "volume"
/// when stored, "candidates" only for aliases searched), then one
/// summary object {"summary": {...}} with the counts, the folder, the time (UTC, ISO 8601) and
/// the suggested mappings. Bytes that are not UTF-8 become U+FFFD.
class JsonReport {
public:
    static void write(std::ostream& out, const std::string& folder,
                      const std::vector<AliasRecord>& records, const ScanReport& report,
                      const RepairResult* repair, std::string_view time);

    /// `text` as a JSON string, quotes included.
    static std::string quoted(std::string_view text);
};

} // namespace korvex
