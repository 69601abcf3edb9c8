#pragma once

#include <cstddef>
#include <sys/types.h>

namespace korvex {

/// The system calls through which files are replaced. The default passes each straight to the
/// kernel; tests derive from it to make one of them fail (a full disk, an extended attribute
/// the file system refuses, a rename that is refused) and check that nothing of the user's
/// files was lost, or to change the tree between two calls as an attacker would.
class FileCalls {
public:
    virtual ~FileCalls() = default;

    virtual ssize_t write(int fd, const void* bytes, std::size_t count);
    virtual int fsync(int fd);
    virtual int fsetxattr(int fd, const char* name, const void* value, std::size_t size);
    virtual int renameat(int fromFolder, const char* from, int toFolder, const char* to);

    /// The calls straight to the kernel.
    static FileCalls& system();
};

} // namespace korvex
