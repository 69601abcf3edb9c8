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

FileDescriptor AppleDoubleFiles::openInArchive(int rootFd, std::string_view below,
                                               std::string_view sidecarName) {
    std::string path("__MACOSX/");
    path.append(below).append(sidecarName);
    return openBeneath(rootFd, path, error_);
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
                    if (FileDescriptor fd = openInArchive(folderFd_, "", sidecarName)) {
                        return fd;
                    }
                }
                continue;
            }
            if (index > roots_->size()) {
                step_ = step; // stays exhausted
                return {};
            }
            const ArchiveRoot& root = (*roots_)[index - 1];
            if (const FileDescriptor rootFd = ArchiveRoots::open(folderFd_, root)) {
                if (FileDescriptor fd = openInArchive(rootFd.get(), root.below, sidecarName)) {
                    return fd;
                }
            }
        }
    }
    return {}; // a place could not be opened: see error()
}

} // namespace korvex
