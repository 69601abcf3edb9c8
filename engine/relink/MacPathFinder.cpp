#include "MacPathFinder.h"

#include "FileUrl.h"
#include "PathText.h"

#include <algorithm>
#include <sys/stat.h>

namespace korvex {

namespace {

std::string under(const std::string& prefix, std::string_view rest) {
    if (rest.empty()) {
        return prefix;
    }
    return prefix == "/" ? std::string(rest) : prefix + std::string(rest);
}

std::string_view restBelow(std::string_view path, std::string_view folder) {
    return folder == "/" ? path : path.substr(folder.size());
}

} // namespace

MacPathFinder::MacPathFinder(std::vector<PathMapping> mappings, MountTable mounts, Exists exists)
    : mappings_(std::move(mappings)), mounts_(std::move(mounts)), exists_(std::move(exists)) {
    for (PathMapping& mapping : mappings_) {
        mapping.macPrefix = withoutTrailingSlashes(mapping.macPrefix);
        mapping.localFolder = withoutTrailingSlashes(mapping.localFolder);
    }
    std::stable_sort(mappings_.begin(), mappings_.end(),
                     [](const PathMapping& a, const PathMapping& b) {
                         return splitNonEmpty(a.localFolder, '/').size() >
                                splitNonEmpty(b.localFolder, '/').size();
                     });
    if (!exists_) {
        exists_ = [](const std::string& path) {
            struct stat st {};
            return ::lstat(path.c_str(), &st) == 0;
        };
    }
}

bool MacPathFinder::namesMacVolume(const BrokenAlias& alias) const {
    if (alias.volumePath && withoutTrailingSlashes(*alias.volumePath) != "/") {
        return true;
    }
    return !exists_("/" + alias.storedComponents.front());
}

std::optional<std::string> MacPathFinder::macPath(const BrokenAlias& alias,
                                                  const std::string& localPath) const {
    for (const PathMapping& mapping : mappings_) {
        if (!mapping.macPrefix.empty() && mapping.macPrefix[0] == '/' &&
            isAtOrBelow(localPath, mapping.localFolder)) {
            return under(mapping.macPrefix, restBelow(localPath, mapping.localFolder));
        }
    }
    if (alias.volumeName && alias.volumePath && (*alias.volumePath)[0] == '/') {
        for (const std::string& mount : mounts_.mountsNamed(*alias.volumeName)) {
            if (isAtOrBelow(localPath, mount)) {
                return under(withoutTrailingSlashes(*alias.volumePath),
                             restBelow(localPath, mount));
            }
        }
    }
    if (!namesMacVolume(alias)) {
        return localPath;
    }
    return std::nullopt;
}

} // namespace korvex
