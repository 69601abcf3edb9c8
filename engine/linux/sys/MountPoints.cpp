#include "MountPoints.h"

#include "MountTable.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace korvex {

MountPoints MountPoints::parse(std::string_view mountinfo, std::string_view canonicalFolder) {
    return from(MountTable::fromMountInfo(mountinfo), canonicalFolder);
}

MountPoints MountPoints::from(const MountTable& table, std::string_view canonicalFolder) {
    std::string prefix(canonicalFolder);
    if (prefix.empty() || prefix.back() != '/') {
        prefix.push_back('/');
    }
    MountPoints points;
    for (const MountPoint& mount : table.mounts()) {
        if (mount.path.size() > prefix.size() && mount.path.starts_with(prefix)) {
            points.relative_.push_back(mount.path.substr(prefix.size()));
        }
    }
    std::sort(points.relative_.begin(), points.relative_.end());
    return points;
}

std::optional<MountPoints> MountPoints::below(const std::string& path, const MountTable& table) {
    std::unique_ptr<char, decltype(&std::free)> canonical(::realpath(path.c_str(), nullptr),
                                                          &std::free);
    if (!canonical) {
        return std::nullopt;
    }
    if (table.mounts().empty()) {
        return std::nullopt;
    }
    return from(table, canonical.get());
}

bool MountPoints::contains(std::string_view relativePath) const {
    return std::binary_search(relative_.begin(), relative_.end(), relativePath, std::less<>());
}

} // namespace korvex
