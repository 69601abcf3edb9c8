#include "MountTable.h"

#include "PathText.h"
#include "UnicodeNames.h"

#include <fstream>
#include <sstream>

namespace korvex {

namespace {

// mountinfo escapes blanks, tabs, line feeds and backslashes in paths as three octal digits.
std::string unescapeOctal(std::string_view field) {
    std::string out;
    out.reserve(field.size());
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            const char a = field[i + 1], b = field[i + 2], c = field[i + 3];
            if (a >= '0' && a <= '3' && b >= '0' && b <= '7' && c >= '0' && c <= '7') {
                out += static_cast<char>((a - '0') * 64 + (b - '0') * 8 + (c - '0'));
                i += 3;
                continue;
            }
        }
        out += field[i];
    }
    return out;
}

} // namespace

MountTable MountTable::fromMountInfo(std::string_view text) {
    std::vector<MountPoint> mounts;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        const std::vector<std::string_view> fields =
            splitNonEmpty(text.substr(start, end - start), ' ');
        start = end + 1;
        // id parent major:minor root mount-point options [optional...] - type source super
        std::size_t separator = 6;
        while (separator < fields.size() && fields[separator] != "-") {
            ++separator;
        }
        if (fields.size() < 5 || separator + 1 >= fields.size()) {
            continue;
        }
        std::string path = unescapeOctal(fields[4]);
        if (path.empty() || path[0] != '/') {
            continue;
        }
        mounts.push_back({std::move(path), std::string(fields[separator + 1])});
    }
    return MountTable(std::move(mounts));
}

MountTable MountTable::readSystem() {
    std::ifstream in("/proc/self/mountinfo");
    if (!in) {
        return {};
    }
    std::ostringstream text;
    text << in.rdbuf();
    return fromMountInfo(text.str());
}

std::vector<std::string> MountTable::mountsNamed(std::string_view volumeName) const {
    std::vector<std::string> named;
    if (volumeName.empty()) {
        return named;
    }
    for (const MountPoint& mount : mounts_) {
        if (mount.path != "/" && sameName(lastComponent(mount.path), volumeName)) {
            named.push_back(mount.path);
        }
    }
    return named;
}

const MountPoint* MountTable::holding(std::string_view path) const {
    const MountPoint* best = nullptr;
    for (const MountPoint& mount : mounts_) {
        if (isAtOrBelow(path, mount.path) && (!best || mount.path.size() >= best->path.size())) {
            best = &mount;
        }
    }
    return best;
}

bool MountTable::lookupWouldMount(std::string_view path) const {
    const MountPoint* mount = holding(path);
    // An automount point with a file system on it is listed again above it; only a bare one
    // mounts on the first lookup of a name below it. The point itself is looked up safely.
    return mount && mount->fsType == "autofs" && mount->path != path;
}

} // namespace korvex
