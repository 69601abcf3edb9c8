#pragma once

#include "ScanProgress.h"

#include <chrono>
#include <cstdint>
#include <string_view>

namespace korvex {

/// Counts the entries of a scan and tells a `ScanProgress` about them no more often than
/// `interval`. The clock is only looked at every 256 entries, so counting costs next to nothing.
class ProgressPacer {
public:
    using Clock = std::chrono::steady_clock;

    /// `progress` may be null: then only the counting is done.
    explicit ProgressPacer(ScanProgress* progress,
                           Clock::duration interval = std::chrono::milliseconds(100))
        : progress_(progress), interval_(interval), last_(Clock::now()) {}

    /// One more entry, at `relativePath`; `aliases` is the count of aliases so far.
    void entry(std::string_view relativePath, std::int64_t aliases) {
        ++entries_;
        if (progress_ && (entries_ & 255) == 0) {
            const Clock::time_point now = Clock::now();
            if (now - last_ >= interval_) {
                last_ = now;
                tell(relativePath, aliases);
            }
        }
    }

    /// The counts at the end of the walk, whatever the time.
    void finish(std::int64_t aliases) {
        if (progress_) {
            tell({}, aliases);
        }
    }

    std::int64_t entries() const { return entries_; }

private:
    void tell(std::string_view relativePath, std::int64_t aliases);

    ScanProgress* progress_;
    Clock::duration interval_;
    Clock::time_point last_;
    std::int64_t entries_ = 0;
};

} // namespace korvex
