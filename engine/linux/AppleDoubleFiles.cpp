#include "AppleDoubleFiles.h"

#include "FolderListing.h"

#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

constexpr int fileFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
constexpr int folderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

/// Whether an open that failed with `error` found nothing to read there (no such file, a link,
/// something that is not a file or folder as asked), rather than something it was not let in.
bool nothingThere(int error) {
    return error == ENOENT || error == ENOTDIR || error == ELOOP || error == ENXIO ||
           error == ENODEV || error == EISDIR;
}

/// Keeps the errno of a failed open in `error` when the system refused it (permission, I/O
/// error, no descriptor left): the place may hold the entry's metadata, so it is no miss.
FileDescriptor noteFailure(int& error) {
    if (!nothingThere(errno)) {
        error = errno;
    }
    return {};
}

/// Opens the regular file `name` in the folder `fd`, not through a symbolic link; none if none
/// (`error` set when it is there but could not be opened).
FileDescriptor openFile(int fd, const char* name, int& error) {
    FileDescriptor file(::openat(fd, name, fileFlags));
    if (!file) {
        return noteFailure(error);
    }
    struct stat st;
    if (::fstat(file.get(), &st) != 0) {
        error = errno;
        return {};
    }
    if (!S_ISREG(st.st_mode)) {
        return {};
    }
    return file;
}

/// Opens `path` (relative, components separated by single slashes) below the folder `fd`, one
/// component at a time, following no symbolic link anywhere; the last one must be a regular
/// file. None on any failure (`error` set when the system refused a step, see openFile).
FileDescriptor openBeneath(int fd, std::string_view path, int& error) {
    FileDescriptor folder; // the folder reached, once below `fd`
    for (;;) {
        const std::size_t slash = path.find('/');
        const std::string part(path.substr(0, slash));
        if (part.empty() || part == "." || part == "..") {
            break;
        }
        FileDescriptor next(::openat(folder ? folder.get() : fd, part.c_str(),
                                     slash == std::string_view::npos ? fileFlags : folderFlags));
        if (!next) {
            return noteFailure(error);
        }
        if (slash == std::string_view::npos) {
            struct stat st;
            const bool failed = ::fstat(next.get(), &st) != 0;
            if (failed || !S_ISREG(st.st_mode)) {
                error = failed ? errno : error;
                return {};
            }
            return next;
        }
        // The last component is opened with O_NOFOLLOW; the folders before it likewise.
        folder = std::move(next);
        path.remove_prefix(slash + 1);
    }
    return {};
}

} // namespace

AppleDoubleFiles::AppleDoubleFiles(const FolderListing& listing, std::string_view name)
    : listing_(&listing), folderFd_(listing.fd()), name_(name) {}

AppleDoubleFiles::AppleDoubleFiles(int folderFd, std::string folderPath, std::string_view name)
    : folderFd_(folderFd), folderPath_(std::move(folderPath)), name_(name) {}

void AppleDoubleFiles::findRootsOnDisk() {
    // The entry's folder, then each folder above it: "/a/b" -> "/a/b", "/a", "/".
    std::string folder = folderPath_;
    std::string below;
    for (;;) {
        FileDescriptor fd(::open(folder.c_str(), folderFlags));
        struct stat st;
        if (fd && ::fstatat(fd.get(), "__MACOSX", &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISDIR(st.st_mode)) {
            const int held = fd.get();
            roots_.push_back(Root{held, below, std::move(fd)});
        }
        const std::size_t slash = folder.rfind('/');
        if (folder.size() <= 1 || slash == std::string::npos) {
            break;
        }
        below.insert(0, folder.substr(slash + 1) + "/");
        folder.resize(slash == 0 ? 1 : slash);
    }
}

FileDescriptor AppleDoubleFiles::openNext() {
    // "._" + name, without touching the heap: this runs for most ordinary files.
    char sidecar[NAME_MAX + 3];
    if (name_.empty() || name_.size() > NAME_MAX || name_.find('/') != std::string_view::npos) {
        return {};
    }
    sidecar[0] = '.';
    sidecar[1] = '_';
    name_.copy(sidecar + 2, name_.size());
    sidecar[name_.size() + 2] = '\0';
    const std::string_view sidecarName(sidecar, name_.size() + 2);
    while (error_ == 0) {
        const int step = step_++;
        if (step == 0) {
            if (listing_) {
                const FolderListing::Entry* entry = listing_->find(sidecarName);
                if (!entry || (entry->type != DT_REG && entry->type != DT_UNKNOWN)) {
                    continue;
                }
            }
            if (FileDescriptor fd = openFile(folderFd_, sidecar, error_)) {
                return fd;
            }
        } else if (step == 1) {
            if (listing_ && !listing_->holdsAppleDoubleFolder()) {
                continue;
            }
            std::string path(".AppleDouble/");
            path.append(name_);
            if (FileDescriptor fd = openBeneath(folderFd_, path, error_)) {
                return fd;
            }
        } else {
            if (listing_ && !listing_->holdsMacArchiveFolder() &&
                listing_->archiveRoots().empty()) {
                step_ = step;
                return {}; // no Mac archive around: nothing more to look at
            }
            if (!rootsKnown_) {
                rootsKnown_ = true;
                if (listing_) {
                    // This folder first, then those above it.
                    const std::string& prefix = listing_->prefix();
                    if (listing_->holdsMacArchiveFolder()) {
                        roots_.push_back(Root{listing_->fd(), "", {}});
                    }
                    for (const auto& root : listing_->archiveRoots()) {
                        roots_.push_back(
                            Root{root->fd(), prefix.substr(root->prefix().size()), {}});
                    }
                } else if (!folderPath_.empty() && folderPath_[0] == '/') {
                    findRootsOnDisk();
                }
            }
            const std::size_t index = static_cast<std::size_t>(step - 2);
            if (index >= roots_.size()) {
                step_ = step; // stays exhausted
                return {};
            }
            const Root& root = roots_[index];
            std::string path("__MACOSX/");
            path.append(root.below).append(sidecarName);
            if (FileDescriptor fd = openBeneath(root.fd, path, error_)) {
                return fd;
            }
        }
    }
    return {}; // a place could not be opened: see error()
}

} // namespace korvex
