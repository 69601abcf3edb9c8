#include "BookmarkWriter.h"

namespace korvex::bookmark {

std::vector<std::uint8_t> BookmarkWriter::write(const BookmarkInfo&, BookmarkContainer, double) {
    return {};
}
std::vector<std::uint8_t> BookmarkWriter::serialise(const Bookmark&) {
    return {};
}
std::vector<std::uint8_t> BookmarkWriter::update(const Bookmark&, const BookmarkInfo&) {
    return {};
}

} // namespace korvex::bookmark
