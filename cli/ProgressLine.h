#pragma once

#include "ScanProgress.h"
#include "TextCatalog.h"

#include <chrono>
#include <cstdint>
#include <ostream>

namespace korvex {

/// A live line on a terminal saying how far a scan has got, redrawn at most every 100 ms and
/// erased at the end, so that the report on stdout stays clean.
class ProgressLine : public ScanProgress {
public:
    /// Draws on `err` only when `enabled` (a terminal).
    ProgressLine(std::ostream& err, bool enabled,
                 const TextCatalog& catalog = TextCatalog::english())
        : err_(err), enabled_(enabled), catalog_(catalog) {}

    /// Counts so far; redraws when the last drawing is old enough.
    void update(std::int64_t entries, std::int64_t aliases);

    /// What the engine tells while the scan runs.
    void scanProgressed(const ScanProgressCounts& counts) override {
        update(counts.entries, counts.aliases);
    }

    /// Erases the line when one was drawn.
    void finish();

    bool enabled() const { return enabled_; }

private:
    std::ostream& err_;
    bool enabled_;
    const TextCatalog& catalog_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace korvex
