#include "SystemXattrSource.h"

#include "PathText.h"

#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace korvex {

namespace {

// The descriptor-relative attribute calls of Linux 6.13 (the same numbers on every
// architecture that has them); glibc 2.36 has no wrappers yet.
constexpr long getxattratCall = 464;
constexpr long listxattratCall = 465;

struct XattrArgs { // struct xattr_args
    std::uint64_t value;
    std::uint32_t size;
    std::uint32_t flags;
};

bool kernelHasAtCalls() {
    static const bool has = [] {
        // Anything but an answer (no such call, or a filter that forbids it): the path calls.
        return ::syscall(listxattratCall, AT_FDCWD, "/", AT_SYMLINK_NOFOLLOW, nullptr,
                         std::size_t{0}) >= 0;
    }();
    return has;
}

/// A path to `item` for the path calls: its own, else one through the folder's descriptor.
const char* pathOf(const XattrSource::Item& item, std::string& scratch) {
    return item.path ? item.path : descriptorPath(item.folderFd, item.name, scratch);
}

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
    case ENODATA:
        return XattrSource::Result::absent;
    default:
        return XattrSource::Result::failed;
    }
}
} // namespace

SystemXattrSource::SystemXattrSource(bool descriptorCalls)
    : atCalls_(descriptorCalls && kernelHasAtCalls()) {}

bool SystemXattrSource::byDescriptor() const {
    return atCalls_;
}

XattrSource::Result SystemXattrSource::list(const Item& item, std::span<char> buffer,
                                            std::size_t& length) const {
    if (atCalls_ && item.folderFd >= 0) {
        return resultOf(::syscall(listxattratCall, item.folderFd, item.name, AT_SYMLINK_NOFOLLOW,
                                  buffer.data(), buffer.size()),
                        length);
    }
    std::string scratch;
    return resultOf(::llistxattr(pathOf(item, scratch), buffer.data(), buffer.size()), length);
}

XattrSource::Result SystemXattrSource::get(const Item& item, const char* name,
                                           std::span<std::uint8_t> buffer,
                                           std::size_t& length) const {
    ssize_t answer = 0;
    if (atCalls_ && item.folderFd >= 0) {
        XattrArgs args{reinterpret_cast<std::uintptr_t>(buffer.data()),
                       static_cast<std::uint32_t>(buffer.size()), 0};
        answer = ::syscall(getxattratCall, item.folderFd, item.name, AT_SYMLINK_NOFOLLOW, name,
                           &args, sizeof args);
    } else {
        std::string scratch;
        answer = ::lgetxattr(pathOf(item, scratch), name, buffer.data(), buffer.size());
    }
    return resultOf(answer, length); // ENODATA: listed a moment ago, gone now
}

bool SystemXattrSource::supported(int folderFd) const {
    char name[1];
    return ::flistxattr(folderFd, name, 0) >= 0 || errno != ENOTSUP;
}

} // namespace korvex
