#include "FileUrl.h"

namespace korvex {

FileUrl fileUrlWithPath(std::string path, bool isDirectory) {
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return FileUrl{std::move(path), isDirectory};
}

void makeItemUrl(std::string_view relativePath, const FileUrl& folderUrl, FileUrl& into) {
    into.path.assign(folderUrl.path);
    if (into.path.empty() || into.path.back() != '/') {
        into.path.push_back('/');
    }
    into.path.append(relativePath);
    into.isDirectory = false;
}

} // namespace korvex
