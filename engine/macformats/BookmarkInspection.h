#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace korvex::bookmark {

/// What `korvex-scan --inspect` prints for one file.
class BookmarkInspection {
public:
    /// Appends to `text` the target path, the volume and the full description of the bookmark
    /// in `bytes`, each on its own line (stored text escaped as the description does), or the
    /// reader's error. False when the bytes could not
    /// be read. The caller prints the file name before it.
    static bool inspect(std::span<const std::uint8_t> bytes, std::string& text);
};

} // namespace korvex::bookmark
