#include "TextFileWriter.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

bool TextFileWriter::write(std::string_view text, const std::string& path) {
    // Refuse anything but a regular file before opening it: opening some devices has effects
    // of its own. fstat below catches a swap between this check and the open.
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        return false;
    }
    // No O_TRUNC here: the file is truncated only once it is known to be a regular file.
    const int fd = ::open(
        path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        return false;
    }
    // A new file needs no truncation (and ext4 flushes files truncated to zero on close).
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              (st.st_size == 0 || ::ftruncate(fd, 0) == 0);
    std::size_t written = 0;
    while (ok && written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ok = false;
            break;
        }
        written += static_cast<std::size_t>(n);
    }
    // A full disk may show only at close, on some file systems.
    if (::close(fd) != 0) {
        ok = false;
    }
    return ok;
}

} // namespace korvex
