#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace korvex {

/// Reader of the DOS attributes Samba keeps for its SMB clients in the `user.DOSATTRIB`
/// extended attribute: an optional "0xNN" text, then an NDR-encoded (little-endian, aligned)
/// version number, the same number again as the union's switch, and that version's fields.
/// A Mac that copies a file to a Samba share sets its creation date there, so this is where
/// the Mac's creation date survives on the server; the file system's own birth time is only
/// when the copy was made.
namespace DosAttributes {

/// The attribute's name.
inline constexpr const char* attributeName = "user.DOSATTRIB";

/// The creation date held in an attribute value, in seconds since 2001-01-01 UTC; none when
/// the value is malformed, of an unknown version, or says it holds no creation date.
std::optional<double> creationDate(std::span<const std::uint8_t> value);

} // namespace DosAttributes
} // namespace korvex
