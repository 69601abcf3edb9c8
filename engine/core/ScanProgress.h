#pragma once

#include <cstdint>
#include <string_view>

namespace korvex {

/// How far a scan has got.
struct ScanProgressCounts {
    /// Entries the walk has handed over so far.
    std::int64_t entries = 0;
    /// Finder aliases met among them.
    std::int64_t aliases = 0;
    /// The folder being read, relative to the scanned folder ("" for the folder itself); only
    /// valid during the call.
    std::string_view folder;
};

/// Told how a scan goes, on the scan's own thread, at most about ten times a second and once
/// more at the end of the walk. A window posts it to its GUI thread; it must not block.
class ScanProgress {
public:
    virtual ~ScanProgress() = default;

    virtual void scanProgressed(const ScanProgressCounts& counts) = 0;
};

} // namespace korvex
