#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvex {

/// The accumulators of one scan. A fresh one per scan, shared by reference between the caller
/// and the scan; the scan is their only writer until it answers.
struct ScanReport {
    /// The whole report once the scan has answered; every name in it is shown printable (see
    /// `appendPrintable`), never raw.
    std::string reportText;
    /// Finder alias files met, counted before their bookmark data is read (an entry that
    /// could not be examined counts only when it is known to be an alias).
    std::int64_t aliasCount = 0;
    /// Aliases whose bookmark data was read but did not resolve, or was damaged.
    std::int64_t brokenCount = 0;
    /// Aliases into which fresh bookmark data was written.
    std::int64_t rewrittenCount = 0;
    /// Lines of the report that say something could not be done ("Couldn't read ...",
    /// "Couldn't write ...", "Couldn't refresh ..."): a scan with any is no clean scan.
    std::int64_t problemCount = 0;
    /// Absolute paths of the broken aliases, raw bytes; in walk order during the scan, sorted
    /// after it.
    std::vector<std::string> brokenPaths;
    /// The scan was asked to stop and ended before the end of the walk.
    bool stopped = false;
};

} // namespace korvex
