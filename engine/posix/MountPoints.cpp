#include "MountPoints.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

namespace korvex {

namespace {

/// Undoes the octal escapes (\040 for a space, \134 for a backslash, ...) of mountinfo.
std::string unescape(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && field[i + 1] >= '0' &&
            field[i + 1] <= '3' && field[i + 2] >= '0' && field[i + 2] <= '7' &&
            field[i + 3] >= '0' && field[i + 3] <= '7') {
            out.push_back(static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                            (field[i + 3] - '0')));
            i += 3;
        } else {
            out.push_back(field[i]);
        }
    }
    return out;
}

/// The fifth space-separated field of a mountinfo line: the mount point.
std::string_view mountPointField(std::string_view line) {
    for (int skip = 0; skip < 4; ++skip) {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos) {
            return {};
        }
        line.remove_prefix(space + 1);
    }
    return line.substr(0, line.find(' '));
}

} // namespace

MountPoints MountPoints::parse(std::string_view mountinfo, std::string_view canonicalFolder) {
    std::string prefix(canonicalFolder);
    if (prefix.empty() || prefix.back() != '/') {
        prefix.push_back('/');
    }
    MountPoints points;
    while (!mountinfo.empty()) {
        const std::size_t end = mountinfo.find('\n');
        const std::string_view line = mountinfo.substr(0, end);
        mountinfo.remove_prefix(end == std::string_view::npos ? mountinfo.size() : end + 1);
        const std::string point = unescape(mountPointField(line));
        if (point.size() > prefix.size() && point.starts_with(prefix)) {
            points.relative_.push_back(point.substr(prefix.size()));
        }
    }
    std::sort(points.relative_.begin(), points.relative_.end());
    return points;
}

std::optional<MountPoints> MountPoints::below(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> canonical(::realpath(path.c_str(), nullptr),
                                                          &std::free);
    std::ifstream table("/proc/self/mountinfo", std::ios::binary);
    if (!canonical || !table) {
        return std::nullopt;
    }
    const std::string text((std::istreambuf_iterator<char>(table)),
                           std::istreambuf_iterator<char>());
    if (text.empty()) {
        return std::nullopt;
    }
    return parse(text, canonical.get());
}

bool MountPoints::contains(std::string_view relativePath) const {
    return std::binary_search(relative_.begin(), relative_.end(), relativePath, std::less<>());
}

} // namespace korvex
