#include "AppleDoubleFiles.h"

#include "FolderListing.h"

#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

constexpr int fileFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

/// Opens the regular file `name` in the folder `fd`, not through a symbolic link; -1 if none.
int openFile(int fd, const char* name) {
    const int file = ::openat(fd, name, fileFlags);
    struct stat st;
    if (file >= 0 && (::fstat(file, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(file);
        return -1;
    }
    return file;
}

/// Opens `path` (relative, components separated by single slashes) below the folder `fd`, one
/// component at a time, following no symbolic link anywhere; the last one must be a regular
/// file. -1 on any failure.
int openBeneath(int fd, std::string_view path) {
    int folder = fd;
    for (;;) {
        const std::size_t slash = path.find('/');
        const std::string part(path.substr(0, slash));
        if (part.empty() || part == "." || part == "..") {
            break;
        }
        const int next = ::openat(folder, part.c_str(),
                                  slash == std::string_view::npos ? fileFlags : folderFlags);
        if (folder != fd) {
            ::close(folder);
        }
        if (next < 0) {
            return -1;
        }
        if (slash == std::string_view::npos) {
            struct stat st;
            if (::fstat(next, &st) != 0 || !S_ISREG(st.st_mode)) {
                ::close(next);
                return -1;
            }
            return next;
        }
        // The last component is opened with O_NOFOLLOW; the folders before it likewise.
        folder = next;
        path.remove_prefix(slash + 1);
    }
    if (folder != fd) {
        ::close(folder);
    }
    return -1;
}

} // namespace

AppleDoubleFiles::AppleDoubleFiles(const FolderListing& listing, std::string_view name)
    : listing_(&listing), folderFd_(listing.fd()), name_(name) {}

AppleDoubleFiles::AppleDoubleFiles(int folderFd, std::string folderPath, std::string_view name)
    : folderFd_(folderFd), folderPath_(std::move(folderPath)), name_(name) {}

AppleDoubleFiles::~AppleDoubleFiles() = default;

int AppleDoubleFiles::openInArchive(int rootFd, std::string_view below,
                                    std::string_view sidecarName) const {
    std::string path("__MACOSX/");
    path.append(below).append(sidecarName);
    return openBeneath(rootFd, path);
}

int AppleDoubleFiles::openNext() {
    // "._" + name, without touching the heap: this runs for most ordinary files.
    char sidecar[NAME_MAX + 3];
    if (name_.empty() || name_.size() > NAME_MAX || name_.find('/') != std::string_view::npos) {
        return -1;
    }
    sidecar[0] = '.';
    sidecar[1] = '_';
    name_.copy(sidecar + 2, name_.size());
    sidecar[name_.size() + 2] = '\0';
    const std::string_view sidecarName(sidecar, name_.size() + 2);
    while (true) {
        const int step = step_++;
        if (step == 0) {
            if (listing_) {
                const FolderListing::Entry* entry = listing_->find(sidecarName);
                if (!entry || (entry->type != DT_REG && entry->type != DT_UNKNOWN)) {
                    continue;
                }
            }
            if (const int fd = openFile(folderFd_, sidecar); fd >= 0) {
                return fd;
            }
        } else if (step == 1) {
            if (listing_ && !listing_->holdsAppleDoubleFolder()) {
                continue;
            }
            std::string path(".AppleDouble/");
            path.append(name_);
            if (const int fd = openBeneath(folderFd_, path); fd >= 0) {
                return fd;
            }
        } else {
            if (listing_ && !listing_->holdsMacArchiveFolder() &&
                listing_->archiveRoots().empty()) {
                step_ = step;
                return -1; // no Mac archive around: nothing more to look at
            }
            if (!rootsKnown_) {
                rootsKnown_ = true;
                if (listing_) {
                    holdsArchive_ = listing_->holdsMacArchiveFolder();
                    roots_ = &listing_->archiveRoots();
                } else {
                    struct stat st;
                    holdsArchive_ =
                        ::fstatat(folderFd_, "__MACOSX", &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                        S_ISDIR(st.st_mode);
                    found_ = ArchiveRoots::above(folderFd_, folderPath_);
                    roots_ = &found_;
                }
            }
            // This folder first, then those above it, nearest first.
            const std::size_t index = static_cast<std::size_t>(step - 2);
            if (index == 0) {
                if (holdsArchive_) {
                    if (const int fd = openInArchive(folderFd_, "", sidecarName); fd >= 0) {
                        return fd;
                    }
                }
                continue;
            }
            if (index > roots_->size()) {
                step_ = step; // stays exhausted
                return -1;
            }
            const ArchiveRoot& root = (*roots_)[index - 1];
            if (const FileDescriptor rootFd = ArchiveRoots::open(folderFd_, root)) {
                if (const int fd = openInArchive(rootFd.get(), root.below, sidecarName); fd >= 0) {
                    return fd;
                }
            }
        }
    }
}

} // namespace korvex
