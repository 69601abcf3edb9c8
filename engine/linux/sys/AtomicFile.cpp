#include "AtomicFile.h"

#include "FileDescriptor.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <vector>

namespace korvex {

namespace {

/// A bare name fit for *at calls: no slash, not "." or "..", not too long.
bool isBareName(std::string_view name) {
    return !name.empty() && name.size() <= NAME_MAX && name != "." && name != ".." &&
           name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}

std::string temporaryName() {
    thread_local std::mt19937_64 random{std::random_device{}()};
    char suffix[17];
    std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
    return std::string(AtomicFile::temporaryPrefix) + suffix;
}

/// Gives the unnamed file `fd` the name `name` in `folderFd`; fails if the name is taken.
bool linkUnnamed(int fd, int folderFd, const char* name) {
    char procPath[64];
    std::snprintf(procPath, sizeof procPath, "/proc/self/fd/%d", fd);
    if (::linkat(AT_FDCWD, procPath, folderFd, name, AT_SYMLINK_FOLLOW) == 0) {
        return true;
    }
    // Without /proc: the direct form (needs CAP_DAC_READ_SEARCH).
    return errno == ENOENT && ::linkat(fd, "", folderFd, name, AT_EMPTY_PATH) == 0;
}

} // namespace

bool AtomicFile::writeAll(FileCalls& calls, int fd, std::span<const std::uint8_t> bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = calls.write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            if (n == 0) {
                errno = EIO; // no progress, and the system gave no reason
            }
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

bool AtomicFile::copyExtendedAttributes(int from, int to) {
    std::vector<char> names;
    while (true) {
        const ssize_t size = ::flistxattr(from, nullptr, 0);
        if (size < 0) {
            // A file system without extended attributes has none to lose.
            return errno == ENOTSUP;
        }
        names.resize(static_cast<std::size_t>(size));
        const ssize_t got = ::flistxattr(from, names.data(), names.size());
        if (got >= 0) {
            names.resize(static_cast<std::size_t>(got));
            break;
        }
        if (errno != ERANGE) { // ERANGE: the list grew in between; ask again
            return false;
        }
    }
    std::vector<char> value;
    for (std::size_t at = 0; at < names.size();) {
        const char* name = names.data() + at;
        std::size_t length = 0;
        while (at + length < names.size() && names[at + length] != '\0') {
            ++length;
        }
        at += length + 1;
        if (length == 0) {
            continue;
        }
        ssize_t size = 0;
        while (true) {
            size = ::fgetxattr(from, name, nullptr, 0);
            if (size < 0) {
                return false;
            }
            value.resize(static_cast<std::size_t>(size));
            size = ::fgetxattr(from, name, value.data(), value.size());
            if (size >= 0) {
                break;
            }
            if (errno != ERANGE) {
                return false;
            }
        }
        if (calls_.fsetxattr(to, name, value.data(), static_cast<std::size_t>(size)) != 0) {
            return false;
        }
    }
    return true;
}

bool AtomicFile::write(int folderFd, std::string_view name, std::span<const std::uint8_t> bytes,
                       const Request& request) {
    if (!isBareName(name)) {
        return false;
    }
    const std::string target(name);
    const Original* original = request.original;
    // A replacement starts private (its content may not be for everyone) and gets the
    // original's mode last; a new file starts with its final mode.
    const mode_t createMode = original ? 0600 : request.newMode;

    std::string temporary; // empty while the file has no name
    FileDescriptor fd(::openat(folderFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode));
    if (!fd) {
        for (int attempt = 0; attempt < 16 && !fd; ++attempt) {
            temporary = temporaryName();
            fd.reset(::openat(folderFd, temporary.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, createMode));
            if (!fd && errno != EEXIST) {
                return false;
            }
        }
        if (!fd) {
            return false;
        }
    }
    auto discard = [&] {
        const int error = errno; // why it failed, not how the cleanup went
        if (!temporary.empty()) {
            ::unlinkat(folderFd, temporary.c_str(), 0);
        }
        errno = error;
        return false;
    };

    bool ok = writeAll(calls_, fd.get(), bytes);
    if (ok && original) {
        // Owner first (it may clear set-user-ID bits), then the attributes (a read-only mode
        // would forbid setting them), then the mode.
        if (::fchown(fd.get(), original->owner, original->group) != 0) {
            // Not permitted to give the file away: keep at least the group where we may.
            (void)!::fchown(fd.get(), static_cast<uid_t>(-1), original->group);
        }
        ok = original->fd < 0 || copyExtendedAttributes(original->fd, fd.get());
        ok = ok && ::fchmod(fd.get(), original->mode & 07777) == 0;
    }
    ok = ok && (!request.durable || calls_.fsync(fd.get()) == 0);
    if (!ok) {
        return discard();
    }

    if (!original) {
        // A new file: take the name only if it is still free, never replacing anything.
        if (temporary.empty()) {
            ok = linkUnnamed(fd.get(), folderFd, target.c_str());
        } else {
            ok = ::linkat(folderFd, temporary.c_str(), folderFd, target.c_str(), 0) == 0;
            discard();
        }
        return fd.close() && ok;
    }

    if (temporary.empty()) {
        for (int attempt = 0; attempt < 16 && temporary.empty(); ++attempt) {
            std::string candidate = temporaryName();
            if (linkUnnamed(fd.get(), folderFd, candidate.c_str())) {
                temporary = std::move(candidate);
            } else if (errno != EEXIST) {
                return false;
            }
        }
        if (temporary.empty()) {
            return false;
        }
    }
    if (!fd.close()) {
        return discard();
    }
    // The name must still be the file that was read: never replace what someone put there since.
    struct stat now {};
    if (::fstatat(folderFd, target.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        return discard();
    }
    if (now.st_dev != original->device || now.st_ino != original->inode) {
        errno = 0; // no call failed: the file was replaced meanwhile
        return discard();
    }
    if (calls_.renameat(folderFd, temporary.c_str(), folderFd, target.c_str()) != 0) {
        return discard();
    }
    return true;
}

bool AtomicFile::writeAtPath(const std::string& path, std::span<const std::uint8_t> bytes,
                             bool durable, mode_t newMode) {
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const std::string_view name = slash == std::string::npos
                                      ? std::string_view(path)
                                      : std::string_view(path).substr(slash + 1);
    FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd || !isBareName(name)) {
        return false;
    }
    const std::string bare(name);
    FileDescriptor existing(::openat(folderFd.get(), bare.c_str(),
                                     O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    Request request;
    request.durable = durable;
    request.newMode = newMode;
    Original original;
    if (existing) {
        struct stat st {};
        if (::fstat(existing.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
            return false;
        }
        original = Original{existing.get(), st.st_dev, st.st_ino, st.st_uid, st.st_gid, st.st_mode};
        request.original = &original;
    } else if (errno != ENOENT) {
        return false; // a link, or something that can't be looked at: never written through
    }
    return write(folderFd.get(), name, bytes, request);
}

} // namespace korvex
