#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace korvex {

/// `moment` as a full date and full time text in the local time zone, in the language
/// `language` (an ISO 639 code), e.g. "Sunday, 6 December 2026 at 21:04:05 Coordinated
/// Universal Time". The user's locale (from the environment) gives the regional form when it is
/// of that language (en_GB, de_AT); otherwise the language's own (English as in the US), so
/// that a date never speaks another language than the text around it.
std::string dateText(std::chrono::system_clock::time_point moment,
                     std::string_view language = "en");

/// The current moment as `dateText` gives it.
std::string currentDateText(std::string_view language = "en");

} // namespace korvex
