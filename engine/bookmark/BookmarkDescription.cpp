#include "BookmarkDescription.h"

namespace korvex::bookmark {

std::string BookmarkDescription::describe(const Bookmark&) {
    return "[:]";
}
std::optional<std::string> BookmarkDescription::describe(std::span<const std::uint8_t>) {
    return std::nullopt;
}

} // namespace korvex::bookmark
