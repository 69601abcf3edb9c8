#include "Base64.h"

namespace korvex {

namespace {
constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int valueOf(char c) {
    if (c >= 'A' && c <= 'Z') {
        return c - 'A';
    }
    if (c >= 'a' && c <= 'z') {
        return c - 'a' + 26;
    }
    if (c >= '0' && c <= '9') {
        return c - '0' + 52;
    }
    return c == '+' ? 62 : c == '/' ? 63 : -1;
}
} // namespace

std::string base64Encode(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t left = bytes.size() - i;
        std::uint32_t chunk = std::uint32_t(bytes[i]) << 16;
        if (left > 1) {
            chunk |= std::uint32_t(bytes[i + 1]) << 8;
        }
        if (left > 2) {
            chunk |= bytes[i + 2];
        }
        out += alphabet[(chunk >> 18) & 63];
        out += alphabet[(chunk >> 12) & 63];
        out += left > 1 ? alphabet[(chunk >> 6) & 63] : '=';
        out += left > 2 ? alphabet[chunk & 63] : '=';
    }
    return out;
}

std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text) {
    if (text.size() % 4 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    for (std::size_t i = 0; i < text.size(); i += 4) {
        const bool last = i + 4 == text.size();
        const int pad = (text[i + 3] == '=') + (text[i + 2] == '=');
        if (pad > 0 && !last) {
            return std::nullopt;
        }
        std::uint32_t chunk = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const int value = k >= 4 - static_cast<std::size_t>(pad) ? 0 : valueOf(text[i + k]);
            if (value < 0) {
                return std::nullopt;
            }
            chunk = chunk << 6 | static_cast<std::uint32_t>(value);
        }
        out.push_back(static_cast<std::uint8_t>(chunk >> 16));
        if (pad < 2) {
            out.push_back(static_cast<std::uint8_t>(chunk >> 8));
        }
        if (pad < 1) {
            out.push_back(static_cast<std::uint8_t>(chunk));
        }
    }
    return out;
}

} // namespace korvex
