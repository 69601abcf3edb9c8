#include "ArchiveRoots.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>

namespace korvex {

namespace {

/// Entries of a parent read at most to find a folder's name in it by inode.
constexpr std::size_t scanLimit = 1 << 20;

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

std::string_view withoutTrailingSlashes(std::string_view path) {
    while (path.size() > 1 && path.back() == '/') {
        path.remove_suffix(1);
    }
    return path;
}

/// The name of the folder `child` in the open folder `parent`: `hint` if that is it, else the
/// entry with its inode (checked again by name). Empty when none is.
std::string nameIn(int parent, const struct stat& child, std::string_view hint) {
    struct stat st;
    if (!hint.empty() && hint != "." && hint != ".." && hint.size() <= NAME_MAX) {
        const std::string name(hint);
        if (::fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && sameFile(st, child)) {
            return name;
        }
    }
    FileDescriptor readable(::openat(parent, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!readable) {
        return {};
    }
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::fdopendir(readable.get()), &::closedir);
    if (!folder) {
        return {};
    }
    readable.release(); // the DIR owns it now
    std::size_t seen = 0;
    while (const dirent* entry = ::readdir(folder.get())) {
        if (++seen > scanLimit) {
            break;
        }
        const std::string_view name = entry->d_name;
        if (entry->d_ino != child.st_ino || name == "." || name == "..") {
            continue;
        }
        if (::fstatat(parent, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            sameFile(st, child)) {
            return std::string(name);
        }
    }
    return {};
}

bool holdsArchive(int folder) {
    struct stat st;
    return ::fstatat(folder, "__MACOSX", &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::vector<ArchiveRoot> ArchiveRoots::above(int folderFd, std::string_view pathHint) {
    std::vector<ArchiveRoot> roots;
    struct stat here;
    if (pathHint.empty() || ::fstat(folderFd, &here) != 0) {
        return roots; // a descriptor alone: its folders above are not looked up name by name
    }
    std::string_view hint = withoutTrailingSlashes(pathHint);
    std::string below;
    FileDescriptor current;
    int at = folderFd;
    for (std::uint32_t levels = 1; levels <= ancestorLimit && roots.size() < nearest; ++levels) {
        FileDescriptor parent(::openat(at, "..", O_PATH | O_DIRECTORY | O_CLOEXEC));
        struct stat up;
        if (!parent || ::fstat(parent.get(), &up) != 0 || up.st_dev != here.st_dev ||
            sameFile(up, here)) {
            break; // a mount point (another file system above) or the file system's root
        }
        const std::size_t slash = hint.rfind('/');
        const std::string name = nameIn(
            parent.get(), here, slash == std::string_view::npos ? hint : hint.substr(slash + 1));
        hint = slash == std::string_view::npos ? std::string_view()
                                               : withoutTrailingSlashes(hint.substr(0, slash));
        if (name.empty()) {
            break;
        }
        below.insert(0, name + '/');
        if (below.size() >= PATH_MAX) {
            break; // no archive unpacked through paths reaches this far
        }
        if (holdsArchive(parent.get())) {
            roots.push_back(ArchiveRoot{below, levels, up.st_dev, up.st_ino});
        }
        current = std::move(parent);
        at = current.get();
        here = up;
    }
    return roots;
}

std::vector<ArchiveRoot> ArchiveRoots::ofSubfolder(const std::vector<ArchiveRoot>& parentRoots,
                                                   bool parentHoldsArchive, dev_t parentDevice,
                                                   ino_t parentInode, std::string_view name,
                                                   dev_t device) {
    std::vector<ArchiveRoot> roots;
    if (device != parentDevice || (!parentHoldsArchive && parentRoots.empty())) {
        return roots;
    }
    roots.reserve(std::min(nearest, parentRoots.size() + 1));
    std::string step(name);
    step.push_back('/');
    if (parentHoldsArchive) {
        roots.push_back(ArchiveRoot{step, 1, parentDevice, parentInode});
    }
    for (const ArchiveRoot& root : parentRoots) {
        if (roots.size() == nearest || root.below.size() + step.size() >= PATH_MAX) {
            break; // the farther ones are farther still
        }
        roots.push_back(ArchiveRoot{root.below + step, root.levels + 1, root.device, root.inode});
    }
    return roots;
}

FileDescriptor ArchiveRoots::open(int folderFd, const ArchiveRoot& root) {
    return climb(folderFd, root.levels, O_PATH, root.device, root.inode);
}

FileDescriptor ArchiveRoots::climb(int folderFd, std::size_t levels, int flags, dev_t device,
                                   ino_t inode) {
    if (levels == 0) {
        return {};
    }
    char path[3 * climbStep];
    FileDescriptor current;
    int at = folderFd;
    while (levels > 0) {
        const std::size_t step = std::min(levels, climbStep);
        levels -= step;
        for (std::size_t i = 0; i < step; ++i) {
            std::memcpy(path + 3 * i, "../", 3);
        }
        path[3 * step - 1] = '\0';
        FileDescriptor next(
            ::openat(at, path, (levels == 0 ? flags : O_PATH) | O_DIRECTORY | O_CLOEXEC));
        if (!next) {
            return {};
        }
        current = std::move(next);
        at = current.get();
    }
    struct stat st;
    if (::fstat(at, &st) != 0 || st.st_dev != device || st.st_ino != inode) {
        return {};
    }
    return current;
}

} // namespace korvex
