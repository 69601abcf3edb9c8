#include "BookmarkInfo.h"

namespace korvex::bookmark {

std::string BookmarkInfo::targetPath() const {
    std::string path;
    for (const std::string& c : pathComponents)
        path += "/" + c;
    return path.empty() ? "/" : path;
}

BookmarkVolumeInfo BookmarkInfo::volume() const {
    return {};
}
BookmarkInfo BookmarkInfo::from(const Bookmark&) {
    return {};
}
void BookmarkInfo::applyTo(Bookmark&) const {}

} // namespace korvex::bookmark
