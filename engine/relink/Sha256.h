#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace korvex {

/// A SHA-256 digest: what the undo records keep of bookmark data, so that "the same bytes" can be
/// checked without keeping the bytes.
using Digest = std::array<std::uint8_t, 32>;

/// SHA-256 (FIPS 180-4) of `bytes`.
Digest sha256(std::span<const std::uint8_t> bytes);

/// A digest as 64 lowercase hexadecimal digits, and back (none for anything else).
std::string digestHex(const Digest& digest);
bool digestFromHex(std::string_view text, Digest& into);

} // namespace korvex
