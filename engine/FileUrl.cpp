#include "FileUrl.h"

namespace korvex {

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

FileUrl fileUrlWithPath(std::string path, bool isDirectory) {
    return FileUrl{withoutTrailingSlashes(std::move(path)), isDirectory};
}

void makeItemUrl(std::string_view relativePath, const FileUrl& folderUrl, FileUrl& into) {
    into.path.assign(folderUrl.path);
    if (into.path.empty() || into.path.back() != '/') {
        into.path.push_back('/');
    }
    into.path.append(relativePath);
    into.isDirectory = false;
    into.entry = nullptr;
}

} // namespace korvex
