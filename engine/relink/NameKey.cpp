#include "NameKey.h"

#include "UnicodeNames.h"

#include <unicode/normalizer2.h>
#include <unicode/unistr.h>

namespace korvex {

std::string nameKey(std::string_view name) {
    if (isAscii(name)) {
        std::string key(name);
        for (char& c : key) {
            if (c >= 'A' && c <= 'Z') {
                c = static_cast<char>(c - 'A' + 'a');
            }
        }
        return key;
    }
    const std::optional<std::string> composed = composedName(name);
    if (!composed) {
        return std::string(name);
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    if (U_FAILURE(status)) {
        return *composed;
    }
    // Folding can decompose again (e.g. U+1E9E), hence the second normalisation.
    icu::UnicodeString folded = icu::UnicodeString::fromUTF8(*composed).foldCase();
    icu::UnicodeString key = nfc->normalize(folded, status);
    if (U_FAILURE(status)) {
        return *composed;
    }
    std::string out;
    key.toUTF8String(out);
    return out;
}

NameMatch matchName(std::string_view stored, std::string_view found) {
    if (stored == found) {
        return NameMatch::exact;
    }
    if (sameName(stored, found)) {
        return NameMatch::equivalent;
    }
    return nameKey(stored) == nameKey(found) ? NameMatch::caseless : NameMatch::none;
}

} // namespace korvex
