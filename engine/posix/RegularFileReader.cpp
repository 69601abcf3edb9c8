#include "RegularFileReader.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

std::optional<std::vector<std::uint8_t>> RegularFileReader::read(const std::string& path,
                                                                 std::size_t limit) {
    // O_NONBLOCK: opening a FIFO without a writer would otherwise wait forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> result;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
        static_cast<std::uint64_t>(st.st_size) <= limit) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(st.st_size) + 1);
        std::size_t filled = 0;
        bool failed = false;
        // The file may change while it is read: read until EOF, but never past limit + 1.
        while (true) {
            if (filled == bytes.size()) {
                if (bytes.size() > limit) {
                    failed = true;
                    break;
                }
                bytes.resize(std::min(limit + 1, bytes.size() * 2));
            }
            const ssize_t got = ::read(fd, bytes.data() + filled, bytes.size() - filled);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                failed = true;
                break;
            }
            if (got == 0) {
                break;
            }
            filled += static_cast<std::size_t>(got);
        }
        if (!failed && filled <= limit) {
            bytes.resize(filled);
            result = std::move(bytes);
        }
    }
    ::close(fd);
    return result;
}

} // namespace korvex
