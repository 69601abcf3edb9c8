#include "BookmarkInspection.h"

namespace korvex::bookmark {

bool BookmarkInspection::inspect(std::span<const std::uint8_t>, std::string& text) {
    text += "not implemented yet\n";
    return false;
}

} // namespace korvex::bookmark
