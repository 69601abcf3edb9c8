#include "PrintableText.h"

#include <cstdio>

namespace korvex {

namespace {

/// The length of the valid UTF-8 sequence at the start of `s` (1 to 4), or 0 when its first
/// byte starts none: a stray continuation byte, an overlong form, a surrogate, past U+10FFFF,
/// or cut short.
std::size_t utf8Length(std::string_view s) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(0);
    const std::size_t n = c < 0x80         ? 1
                          : (c >> 5) == 6  ? 2
                          : (c >> 4) == 14 ? 3
                          : (c >> 3) == 30 ? 4
                                           : 0;
    if (n == 0 || n > s.size()) {
        return 0;
    }
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    if ((n == 2 && c < 0xC2) || (n == 3 && c == 0xE0 && byte(1) < 0xA0) ||
        (n == 3 && c == 0xED && byte(1) >= 0xA0) ||
        (n == 4 && (c > 0xF4 || (c == 0xF0 && byte(1) < 0x90) || (c == 0xF4 && byte(1) >= 0x90)))) {
        return 0;
    }
    return n;
}

} // namespace

bool appendPrintable(std::string& out, std::string_view text, char quote, std::size_t cap) {
    char buf[16];
    std::size_t i = 0;
    while (i < text.size()) {
        if (out.size() > cap) {
            return false;
        }
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const std::size_t n = utf8Length(text.substr(i));
        if (n == 0) {
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
            ++i;
            continue;
        }
        // The code point of a control character (C0, DEL or C1), else none.
        const unsigned control = c < 0x20 || c == 0x7F ? c
                                 : c == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0
                                     ? static_cast<unsigned char>(text[i + 1])
                                     : 0x100;
        if (c == '\\' || (quote != '\0' && c == static_cast<unsigned char>(quote))) {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (control != 0x100) {
            std::snprintf(buf, sizeof buf, "\\u{%X}", control);
            out += buf;
        } else {
            out.append(text.substr(i, n));
        }
        i += n;
    }
    return true;
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    appendPrintable(out, text);
    return out;
}

} // namespace korvex
