#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

/// Standard base64 (RFC 4648, with padding), for bookmark data kept in text files.
std::string base64Encode(const std::vector<std::uint8_t>& bytes);

/// The bytes of `text`; none when it is not well-formed base64.
std::optional<std::vector<std::uint8_t>> base64Decode(std::string_view text);

} // namespace korvex
