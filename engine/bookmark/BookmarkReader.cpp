#include "BookmarkReader.h"

namespace korvex::bookmark {

BookmarkResult<Bookmark> BookmarkReader::read(std::span<const std::uint8_t>) {
    return BookmarkError{"not implemented yet", 0};
}

} // namespace korvex::bookmark
