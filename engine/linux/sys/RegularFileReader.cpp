#include "RegularFileReader.h"

#include "FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace korvex {

namespace {

std::nullopt_t failWith(ReadFailure* why, ReadFailure failure) {
    if (why) {
        *why = failure;
    }
    return std::nullopt;
}

} // namespace

ReadFailure RegularFileReader::openFailure(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return ReadFailure::gone();
    case ELOOP:  // a symbolic link (never followed)
    case ENXIO:  // a socket, or a device without its driver
    case ENODEV: // a device
    case EISDIR:
        return ReadFailure::damaged();
    default:
        return ReadFailure::unreadable(error);
    }
}

std::optional<std::vector<std::uint8_t>> RegularFileReader::readOpen(int fd, std::size_t limit,
                                                                     struct stat* status,
                                                                     ReadFailure* why, bool* cut) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return failWith(why, ReadFailure::unreadable(errno));
    }
    if (!S_ISREG(st.st_mode) || st.st_size < 0 ||
        (!cut && static_cast<std::uint64_t>(st.st_size) > limit)) {
        return failWith(why, ReadFailure::damaged());
    }
    // Sized by the file, not the limit; one byte more shows whether the file is longer.
    std::vector<std::uint8_t> bytes(
        static_cast<std::size_t>(std::min<std::uint64_t>(st.st_size, limit)) + 1);
    std::size_t filled = 0;
    // The file may change while it is read: read until EOF, but never past limit + 1.
    while (true) {
        if (filled == bytes.size()) {
            if (bytes.size() > limit) {
                break;
            }
            bytes.resize(std::min(limit + 1, bytes.size() * 2));
        }
        const ssize_t got =
            ::pread(fd, bytes.data() + filled, bytes.size() - filled, static_cast<off_t>(filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return failWith(why, ReadFailure::unreadable(errno));
        }
        if (got == 0) {
            break;
        }
        filled += static_cast<std::size_t>(got);
    }
    if (cut) {
        *cut = filled > limit;
    }
    if (filled > limit) {
        if (!cut) {
            return failWith(why, ReadFailure::damaged());
        }
        filled = limit;
    }
    bytes.resize(filled);
    if (status) {
        *status = st;
    }
    return bytes;
}

std::optional<std::vector<std::uint8_t>> RegularFileReader::readAt(int folderFd, const char* name,
                                                                   std::size_t limit,
                                                                   struct stat* status,
                                                                   ReadFailure* why) {
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait forever.
    FileDescriptor fd(
        ::openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        return failWith(why, openFailure(errno));
    }
    return readOpen(fd.get(), limit, status, why);
}

std::optional<std::vector<std::uint8_t>> RegularFileReader::read(const std::string& path,
                                                                 std::size_t limit) {
    return readAt(AT_FDCWD, path.c_str(), limit);
}

} // namespace korvex
