#include "SystemXattrSource.h"

#include <cerrno>
#include <sys/xattr.h>

namespace korvex {

namespace {
XattrSource::Result resultOf(ssize_t answer, std::size_t& length) {
    if (answer >= 0) {
        length = static_cast<std::size_t>(answer);
        return XattrSource::Result::ok;
    }
    length = 0;
    switch (errno) {
    case ERANGE:
    case E2BIG:
        return XattrSource::Result::tooSmall;
    case ENOTSUP:
        return XattrSource::Result::unsupported;
    case ENOENT:
    case ENOTDIR:
        return XattrSource::Result::vanished;
    default:
        return XattrSource::Result::failed;
    }
}
} // namespace

XattrSource::Result SystemXattrSource::list(const char* path, std::span<char> buffer,
                                            std::size_t& length) const {
    return resultOf(::llistxattr(path, buffer.data(), buffer.size()), length);
}

XattrSource::Result SystemXattrSource::get(const char* path, const char* name,
                                           std::span<std::uint8_t> buffer,
                                           std::size_t& length) const {
    const ssize_t answer = ::lgetxattr(path, name, buffer.data(), buffer.size());
    if (answer < 0 && errno == ENODATA) {
        length = 0;
        return Result::failed; // listed a moment ago, gone now: no such attribute
    }
    return resultOf(answer, length);
}

bool SystemXattrSource::supported(int folderFd) const {
    char name[1];
    return ::flistxattr(folderFd, name, 0) >= 0 || errno != ENOTSUP;
}

} // namespace korvex
