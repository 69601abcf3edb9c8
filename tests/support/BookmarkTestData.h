#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::test {

using Bytes = std::vector<std::uint8_t>;

/// The folder of real macOS samples, or empty when this machine has none.
inline std::filesystem::path samplesDir() {
    std::filesystem::path dir = KORVEX_SAMPLES_DIR;
    std::error_code ec;
    return !dir.empty() && std::filesystem::is_directory(dir, ec) ? dir : std::filesystem::path();
}

/// The bytes written as hex digits, two a byte ("626f6f6b" is "book").
inline Bytes fromHex(std::string_view hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        out.push_back(
            static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    }
    return out;
}

inline Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

/// Hand-made bookmark data for hostile inputs: a raw header and a data area put together
/// word by word.
struct RawBuilder {
    Bytes area{0, 0, 0, 0}; // first-table offset, set with firstTable()

    std::uint32_t here() const { return std::uint32_t(area.size()); }
    RawBuilder& word(std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            area.push_back(std::uint8_t(v >> (8 * i)));
        return *this;
    }
    RawBuilder& firstTable(std::uint32_t offset) {
        for (int i = 0; i < 4; ++i)
            area[i] = std::uint8_t(offset >> (8 * i));
        return *this;
    }
    /// A table header: size, marker, id, next, count (entries follow as words).
    RawBuilder& table(std::uint32_t id, std::uint32_t next, std::uint32_t count) {
        return word(12 + 12 * count).word(0xFFFFFFFE).word(id).word(next).word(count);
    }
    Bytes bytes() const {
        Bytes out{'b', 'o', 'o', 'k'};
        std::uint32_t total = 48 + std::uint32_t(area.size());
        for (int i = 0; i < 4; ++i)
            out.push_back(std::uint8_t(total >> (8 * i)));
        out.insert(out.end(), {0, 0, 4, 0x10, 48, 0, 0, 0});
        out.resize(48, 0);
        out.insert(out.end(), area.begin(), area.end());
        return out;
    }
};

} // namespace korvex::test
