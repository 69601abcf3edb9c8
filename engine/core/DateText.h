#pragma once

#include <chrono>
#include <string>

namespace korvex {

/// `moment` as a full date and full time text in the user's locale (from the environment),
/// in the local time zone, e.g. "Sunday, 6 December 2026 at 21:04:05 Coordinated Universal Time".
std::string dateText(std::chrono::system_clock::time_point moment);

/// The current moment as `dateText` gives it.
std::string currentDateText();

} // namespace korvex
