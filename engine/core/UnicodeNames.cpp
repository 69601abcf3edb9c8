#include "UnicodeNames.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <vector>

namespace korvex {

bool isAscii(std::string_view text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> composedName(std::string_view name) {
    if (isAscii(name)) {
        return std::string(name);
    }
    // u_strFromUTF8 refuses ill-formed input, where UnicodeString::fromUTF8 would substitute.
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, name.data(), static_cast<int32_t>(name.size()), &status);
    if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) {
        return std::nullopt;
    }
    std::vector<UChar> units(static_cast<std::size_t>(length) + 1);
    status = U_ZERO_ERROR;
    u_strFromUTF8(units.data(), length + 1, nullptr, name.data(), static_cast<int32_t>(name.size()),
                  &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    icu::UnicodeString composed = nfc->normalize(icu::UnicodeString(units.data(), length), status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    std::string out;
    composed.toUTF8String(out);
    return out;
}

bool sameName(std::string_view a, std::string_view b) {
    if (a == b) {
        return true;
    }
    if (isAscii(a) && isAscii(b)) {
        return false;
    }
    const std::optional<std::string> ca = composedName(a);
    const std::optional<std::string> cb = composedName(b);
    return ca && cb && *ca == *cb;
}

} // namespace korvex
