#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace korvex::classic {

/// Text as the classic Mac OS stored it, turned into UTF-8.
namespace MacText {

/// Mac OS Roman bytes (the script of Pascal names and Carbon paths in alias records).
std::string fromMacRoman(std::span<const std::uint8_t> bytes);

/// UTF-16 big-endian code units (`bytes` holds two per unit); a lone surrogate becomes U+FFFD.
std::string fromUtf16BigEndian(std::span<const std::uint8_t> bytes);

} // namespace MacText
} // namespace korvex::classic
