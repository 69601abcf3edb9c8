#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace korvex::bookmark {

/// The type-binding blob (`dnib`, key 0xF022) that macOS stores in alias files for files and
/// folders. Its layout is known only from the alias files macOS wrote: "dnib", 0, kind 1,
/// 16 zero bytes, the length of the name's extension, 0, the extension, a 4-byte type code
/// ("????" for a file with an extension, zero without one, "rdlf" for a folder), then 8 bytes:
/// 02 02 for a folder, 00 for a file on the boot volume, 01 for one elsewhere, zero filled.
class TypeBinding {
public:
    /// The blob for an item called `name`. Volume roots use another kind, not made here.
    static std::vector<std::uint8_t> forItem(std::string_view name, bool isFolder,
                                             bool onBootVolume);
};

} // namespace korvex::bookmark
