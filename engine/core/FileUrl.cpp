#include "FileUrl.h"

#include <cstdio>

namespace korvex {

std::string fileUrlText(std::string_view path, bool folder) {
    static constexpr char hex[] = "0123456789ABCDEF";
    static constexpr std::string_view plainMarks = "-._~/!$&'()*+,;=:@";
    std::string url = "file://";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || plainMarks.find(c) != std::string_view::npos) {
            url += c;
        } else {
            url += '%';
            url += hex[byte >> 4];
            url += hex[byte & 0xF];
        }
    }
    if (folder && url.back() != '/') {
        url += '/';
    }
    return url;
}

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
