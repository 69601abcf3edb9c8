#include "PathLocator.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace korvex {

namespace {

std::string childPath(const std::string& folder, std::string_view name) {
    std::string path = folder;
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    path += name;
    return path;
}

} // namespace

std::optional<LocatedEntry> PathLocator::exact(const std::string& path) const {
    if (path.empty() || path[0] != '/' || mounts_.lookupWouldMount(path)) {
        return std::nullopt;
    }
    struct stat st {};
    if (::fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
        return std::nullopt;
    }
    return LocatedEntry{path, S_ISDIR(st.st_mode)};
}

std::optional<LocatedEntry> PathLocator::anyNormalisation(const std::string& path) const {
    if (path.empty() || path[0] != '/') {
        return std::nullopt;
    }
    std::string current = "/";
    std::size_t start = 1;
    while (start < path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) {
            end = path.size();
        }
        const std::string_view name = std::string_view(path).substr(start, end - start);
        start = end + 1;
        if (name.empty()) {
            continue;
        }
        std::string next = childPath(current, name);
        if (!exact(next)) {
            if (mounts_.lookupWouldMount(next)) {
                return std::nullopt;
            }
            std::optional<std::string> equivalent = names_->equivalentName(current, name);
            if (!equivalent) {
                return std::nullopt;
            }
            next = childPath(current, *equivalent);
        }
        current = std::move(next);
    }
    return exact(current);
}

} // namespace korvex
