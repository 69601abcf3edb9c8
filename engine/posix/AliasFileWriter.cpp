#include "AliasFileWriter.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace korvex {

namespace {

std::string folderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}

// A close that can't fail the operation any more (the descriptor is read-only or discarded).
void closeQuietly(int fd) {
    if (fd >= 0) {
        ::close(fd);
    }
}

} // namespace

bool AliasFileWriter::writeAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = calls_.write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        written += static_cast<std::size_t>(n);
    }
    return true;
}

bool AliasFileWriter::copyExtendedAttributes(int from, int to) {
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

bool AliasFileWriter::replace(const std::string& aliasPath,
                              const std::vector<std::uint8_t>& bytes) {
    const int aliasFd =
        ::open(aliasPath.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (aliasFd < 0) {
        return false;
    }
    struct stat before {};
    if (::fstat(aliasFd, &before) != 0 || !S_ISREG(before.st_mode)) {
        closeQuietly(aliasFd);
        return false;
    }

    const std::string folder = folderOf(aliasPath);
    std::string temporary = folder == "/" ? "/" : folder + "/";
    temporary += ".korvex-refresh-XXXXXX";
    const int tempFd = ::mkostemp(temporary.data(), O_CLOEXEC); // O_EXCL, mode 0600
    if (tempFd < 0) {
        closeQuietly(aliasFd);
        return false;
    }

    bool ok = writeAll(tempFd, bytes);
    if (ok && ::fchown(tempFd, before.st_uid, before.st_gid) != 0) {
        // Not permitted to give the file away: keep at least the group where we may.
        (void)!::fchown(tempFd, static_cast<uid_t>(-1), before.st_gid);
    }
    // After fchown, which may clear set-user-ID bits.
    ok = ok && ::fchmod(tempFd, before.st_mode & 07777) == 0;
    ok = ok && copyExtendedAttributes(aliasFd, tempFd);
    ok = ok && calls_.fsync(tempFd) == 0;
    if (::close(tempFd) != 0) {
        ok = false;
    }

    // The name must still be the file that was read: never replace what someone else put there.
    struct stat now {};
    ok = ok && ::lstat(aliasPath.c_str(), &now) == 0 && now.st_dev == before.st_dev &&
         now.st_ino == before.st_ino;
    ok = ok && calls_.rename(temporary.c_str(), aliasPath.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
    }
    closeQuietly(aliasFd);

    return ok;
}

} // namespace korvex
