#include "TextCatalog.h"

#include <vector>

namespace korvex {

std::string TextCatalog::translate(const char* context, const char* source, const char* comment,
                                   std::int64_t n) const {
    std::string text = lookUp(context, source, comment, n);
    if (text.empty()) {
        text = source;
    }
    if (n < 0) {
        return text;
    }
    const std::string count = std::to_string(n);
    for (std::size_t at = text.find("%n"); at != std::string::npos;
         at = text.find("%n", at + count.size())) {
        text.replace(at, 2, count);
    }
    return text;
}

std::string TextCatalog::language() const {
    return "en";
}

const TextCatalog& TextCatalog::english() {
    static const TextCatalog catalog;
    return catalog;
}

std::string TextCatalog::lookUp(const char*, const char*, const char*, std::int64_t) const {
    return {};
}

std::string fillText(std::string_view pattern, std::initializer_list<std::string_view> values) {
    const std::vector<std::string_view> filling(values);
    std::string text;
    text.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' &&
            pattern[i + 1] <= '9') {
            const auto index = static_cast<std::size_t>(pattern[i + 1] - '1');
            if (index < filling.size()) {
                text += filling[index];
                ++i;
                continue;
            }
        }
        text += pattern[i];
    }
    return text;
}

} // namespace korvex
