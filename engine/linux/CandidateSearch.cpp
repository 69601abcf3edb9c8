#include "CandidateSearch.h"

#include "DosAttributes.h"
#include "FileDescriptor.h"
#include "FileUrl.h"
#include "FolderListing.h"
#include "PathText.h"
#include "PseudoFileSystems.h"

#include <array>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>

namespace korvex {

namespace {

constexpr double unixToAppleEpoch = 978307200.0;

// Mac metadata kept beside the files (AppleDouble `._NAME` files, netatalk's .AppleDouble/NAME,
// unzipped __MACOSX trees): never a target, however it is named.
bool isMacMetadata(std::string_view name) {
    return name.substr(0, 2) == "._" || name == ".AppleDouble" || name == "__MACOSX";
}

// The creation date Samba keeps for an SMB client (a Mac that copied the file there sets it),
// read through the folder's descriptor; none where there is none.
std::optional<double> sambaCreationDate(int folderFd, const char* name) {
    std::array<char, 32> prefix{};
    std::snprintf(prefix.data(), prefix.size(), "/proc/self/fd/%d/", folderFd);
    const std::string path = std::string(prefix.data()) + name;
    std::array<std::uint8_t, 256> value{};
    const ssize_t size =
        ::lgetxattr(path.c_str(), DosAttributes::attributeName, value.data(), value.size());
    if (size <= 0) {
        return std::nullopt;
    }
    return DosAttributes::creationDate(
        std::span<const std::uint8_t>(value.data(), static_cast<std::size_t>(size)));
}

struct Level {
    std::unique_ptr<FolderListing> listing;
    std::size_t next = 0;
};

} // namespace

std::vector<std::string> CandidateSearch::scope(const std::vector<std::string>& roots) {
    std::vector<std::string> kept;
    for (const std::string& given : roots) {
        if (given.empty() || given[0] != '/') {
            continue;
        }
        const std::string root = withoutTrailingSlashes(given);
        bool covered = false;
        for (std::string& other : kept) {
            if (isAtOrBelow(root, other)) {
                covered = true;
                break;
            }
            if (isAtOrBelow(other, root)) {
                other = root; // the wider one takes its place
                covered = true;
                break;
            }
        }
        if (!covered) {
            kept.push_back(root);
        }
    }
    // A widened root may now cover others kept after it.
    std::vector<std::string> out;
    for (const std::string& root : kept) {
        bool covered = false;
        for (const std::string& other : out) {
            covered = covered || isAtOrBelow(root, other);
        }
        if (!covered) {
            out.push_back(root);
        }
    }
    return out;
}

void CandidateSearch::search(const std::vector<std::string>& roots, CandidateIndex& index) const {
    if (index.aliases().empty()) {
        return;
    }
    for (const std::string& root : scope(roots)) {
        walk(root, index);
    }
}

void CandidateSearch::walk(const std::string& root, CandidateIndex& index) const {
    FileDescriptor rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    struct statfs fs {};
    if (!rootFd || ::fstat(rootFd.get(), &st) != 0 || ::fstatfs(rootFd.get(), &fs) != 0 ||
        isPseudoFileSystem(fs.f_type)) {
        return;
    }
    std::vector<Level> stack;
    stack.push_back({std::make_unique<FolderListing>(
                         rootFd.release(), root == "/" ? "/" : root + "/", st.st_dev, false),
                     0});
    while (!stack.empty()) {
        Level& level = stack.back();
        FolderListing& folder = *level.listing;
        if (level.next == folder.size()) {
            stack.pop_back();
            continue;
        }
        const FolderListing::Entry& entry = folder.entry(level.next++);
        const char* name = folder.cName(entry);
        if (isMacMetadata(folder.name(entry))) {
            continue;
        }
        const bool wanted = index.wants(folder.name(entry));
        unsigned char type = entry.type;
        struct statx sx {};
        bool described = false;
        if (wanted || type == DT_UNKNOWN) {
            described = ::statx(folder.fd(), name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                                STATX_TYPE | STATX_BTIME, &sx) == 0;
            if (!described) {
                continue; // gone meanwhile
            }
            type = S_ISDIR(sx.stx_mode) ? DT_DIR : S_ISREG(sx.stx_mode) ? DT_REG : DT_UNKNOWN;
        }
        if (type != DT_DIR && type != DT_REG) {
            continue; // links, devices, pipes: never a target, never entered
        }
        if (wanted && described) {
            FoundEntry found;
            found.path = folder.prefix() + name;
            found.isDirectory = type == DT_DIR;
            found.birthTime = sambaCreationDate(folder.fd(), name);
            if (!found.birthTime && (sx.stx_mask & STATX_BTIME) &&
                (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0)) {
                found.birthTime = static_cast<double>(sx.stx_btime.tv_sec) +
                                  sx.stx_btime.tv_nsec / 1e9 - unixToAppleEpoch;
            }
            if (found.isDirectory ||
                recognizer_.typeIdentifierAt(folder.fd(), name) != std::optional(TypeIds::alias)) {
                index.offer(found);
            }
        }
        if (type != DT_DIR) {
            continue;
        }
        std::string path = folder.prefix() + name;
        if (mounts_.lookupWouldMount(path)) {
            continue;
        }
        FileDescriptor fd(
            ::openat(folder.fd(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (!fd || ::fstat(fd.get(), &st) != 0) {
            continue; // unreadable, replaced meanwhile, or out of descriptors: passed over
        }
        if (st.st_dev != folder.device() &&
            (::fstatfs(fd.get(), &fs) != 0 || isPseudoFileSystem(fs.f_type))) {
            continue;
        }
        path += '/';
        stack.push_back(
            {std::make_unique<FolderListing>(fd.release(), std::move(path), st.st_dev, false), 0});
    }
}

} // namespace korvex
