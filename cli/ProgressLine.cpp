#include "ProgressLine.h"

namespace korvex {

void ProgressLine::update(std::int64_t entries, std::int64_t aliases) {
    if (!enabled_) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_ < std::chrono::milliseconds(100)) {
        return;
    }
    last_ = now;
    drawn_ = true;
    // Carriage return, the text, then erase whatever a longer earlier line left.
    err_ << '\r'
         << fillText(catalog_.translate("CommandLine", "Examined %1 entries, %2 Finder aliases"),
                     {std::to_string(entries), std::to_string(aliases)})
         << "\x1b[K" << std::flush;
}

void ProgressLine::finish() {
    if (drawn_) {
        err_ << "\r\x1b[K" << std::flush;
        drawn_ = false;
    }
}

} // namespace korvex
