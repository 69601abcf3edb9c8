#include "FileCalls.h"

#include <cstdio>
#include <sys/xattr.h>
#include <unistd.h>

namespace korvex {

ssize_t FileCalls::write(int fd, const void* bytes, std::size_t count) {
    return ::write(fd, bytes, count);
}

int FileCalls::fsync(int fd) {
    return ::fsync(fd);
}

int FileCalls::fsetxattr(int fd, const char* name, const void* value, std::size_t size) {
    return ::fsetxattr(fd, name, value, size, 0);
}

int FileCalls::renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    return ::renameat(fromFolder, from, toFolder, to);
}

FileCalls& FileCalls::system() {
    static FileCalls calls;
    return calls;
}

} // namespace korvex
