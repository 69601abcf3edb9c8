#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

/// The non-empty pieces of `text` between `separator`s: "/a//b/" gives {"a", "b"}.
inline std::vector<std::string_view> splitNonEmpty(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(separator, start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        if (end > start) {
            parts.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

/// Whether the absolute `path` is `folder` or lies below it, comparing whole components.
inline bool isAtOrBelow(std::string_view path, std::string_view folder) {
    if (folder == "/") {
        return !path.empty() && path[0] == '/';
    }
    return path.substr(0, folder.size()) == folder &&
           (path.size() == folder.size() || path[folder.size()] == '/');
}

/// The text after the last slash (all of `path` when it has none).
inline std::string_view lastComponent(std::string_view path) {
    return path.substr(path.rfind('/') + 1);
}

/// A path by which path calls reach `name` in the open folder `fd` through the descriptor,
/// whatever the folder's own path (or its length) is; made in `scratch`.
inline const char* descriptorPath(int fd, const char* name, std::string& scratch) {
    char prefix[32];
    const int length = std::snprintf(prefix, sizeof prefix, "/proc/self/fd/%d/", fd);
    scratch.assign(prefix, static_cast<std::size_t>(length)).append(name);
    return scratch.c_str();
}

} // namespace korvex
