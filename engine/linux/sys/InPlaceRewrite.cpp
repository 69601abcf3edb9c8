#include "InPlaceRewrite.h"

#include "AtomicFile.h"
#include "FileDescriptor.h"
#include "RegularFileReader.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

bool InPlaceRewrite::write(int folderFd, std::string_view name, dev_t device, ino_t inode,
                           std::span<const std::uint8_t> expected,
                           std::span<const std::uint8_t> bytes) {
    if (name.empty() || name.find('/') != std::string_view::npos) {
        return false;
    }
    const std::string bare(name);
    FileDescriptor fd(
        ::openat(folderFd, bare.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        return false;
    }
    // Read back through the descriptor that writes: the same file, with the same content.
    struct stat st {};
    const std::optional<std::vector<std::uint8_t>> now =
        RegularFileReader::readOpen(fd.get(), RegularFileReader::defaultLimit, &st);
    if (!now) {
        return false;
    }
    if (st.st_dev != device || st.st_ino != inode ||
        !std::equal(now->begin(), now->end(), expected.begin(), expected.end())) {
        errno = 0; // no call failed: the file changed meanwhile
        return false;
    }
    // Room for a longer content first, so that a full disk shows before a byte changes (a file
    // system that can't reserve room says so, and the write finds out instead).
    if (bytes.size() > now->size() &&
        ::fallocate(fd.get(), 0, 0, static_cast<off_t>(bytes.size())) != 0 && errno != EOPNOTSUPP &&
        errno != ENOSYS) {
        return false;
    }
    // pread left the offset at 0: the new bytes go over the old ones from the start.
    if (AtomicFile::writeAll(calls_, fd.get(), bytes) &&
        ::ftruncate(fd.get(), static_cast<off_t>(bytes.size())) == 0 &&
        calls_.fsync(fd.get()) == 0) {
        return fd.close();
    }
    // Failed part way: the old content goes back, as far as the file system lets it; the
    // errno stays that of the failure.
    const int error = errno;
    if (::lseek(fd.get(), 0, SEEK_SET) == 0 &&
        AtomicFile::writeAll(FileCalls::system(), fd.get(), *now)) {
        (void)!::ftruncate(fd.get(), static_cast<off_t>(now->size()));
        (void)!::fsync(fd.get());
    }
    errno = error;
    return false;
}

} // namespace korvex
