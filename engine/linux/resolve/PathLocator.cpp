#include "PathLocator.h"

#include <cerrno>
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

ReadResult<LocatedEntry> PathLocator::exact(const std::string& path) const {
    if (path.empty() || path[0] != '/' || mounts_.lookupWouldMount(path)) {
        return ReadFailure::gone();
    }
    struct stat st {};
    if (::fstatat(AT_FDCWD, path.c_str(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
        return isMissingError(errno) ? ReadFailure::gone() : ReadFailure::unreadable(errno);
    }
    return LocatedEntry{path, S_ISDIR(st.st_mode)};
}

ReadResult<LocatedEntry> PathLocator::anyNormalisation(const std::string& path) const {
    if (path.empty() || path[0] != '/') {
        return ReadFailure::gone();
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
        if (ReadResult<LocatedEntry> here = exact(next); !here) {
            if (here.unreadable()) {
                return here.failure(); // the folder can't be searched: no name in it can be
            }
            if (mounts_.lookupWouldMount(next)) {
                return ReadFailure::gone();
            }
            ReadResult<std::string> equivalent = names_->equivalentName(current, name);
            if (!equivalent) {
                return equivalent.failure();
            }
            next = childPath(current, *equivalent);
        }
        current = std::move(next);
    }
    return exact(current);
}

} // namespace korvex
