#pragma once

#include <cstddef>
#include <sys/types.h>

namespace korvex {

/// The system calls through which alias files are rewritten. The default passes each straight
/// to the kernel; tests derive from it to make one of them fail (a full disk, an extended
/// attribute the file system refuses) and check that nothing of the user's file was lost.
class FileCalls {
public:
    virtual ~FileCalls() = default;

    virtual ssize_t write(int fd, const void* bytes, std::size_t count);
    virtual int fsync(int fd);
    virtual int fsetxattr(int fd, const char* name, const void* value, std::size_t size);
    virtual int rename(const char* from, const char* to);

    /// The calls straight to the kernel.
    static FileCalls& system();
};

} // namespace korvex
