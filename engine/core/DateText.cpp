#include "DateText.h"

#include <memory>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace korvex {

namespace {

icu::Locale dateLocale(std::string_view language) {
    const icu::Locale& user = icu::Locale::getDefault();
    if (language == user.getLanguage()) {
        return user;
    }
    if (language == "en") {
        return icu::Locale("en", "US");
    }
    return icu::Locale(std::string(language).c_str());
}

} // namespace

std::string dateText(std::chrono::system_clock::time_point moment, std::string_view language) {
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(moment.time_since_epoch()).count();
    std::unique_ptr<icu::DateFormat> format(icu::DateFormat::createDateTimeInstance(
        icu::DateFormat::kFull, icu::DateFormat::kFull, dateLocale(language)));
    std::string text;
    if (!format) {
        // ICU without locale data: still a readable moment, never an empty line.
        return std::to_string(millis / 1000) + " seconds after 1970-01-01 00:00 UTC";
    }
    icu::UnicodeString formatted;
    format->format(static_cast<UDate>(millis), formatted);
    formatted.toUTF8String(text);
    return text;
}

std::string currentDateText(std::string_view language) {
    return dateText(std::chrono::system_clock::now(), language);
}

} // namespace korvex
