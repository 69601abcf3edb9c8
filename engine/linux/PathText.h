#pragma once

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

} // namespace korvex
