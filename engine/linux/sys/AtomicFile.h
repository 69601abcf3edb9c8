#pragma once

#include "FileCalls.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace korvex {

/// Creates or replaces one file in a folder so that it is never seen half written: the bytes go
/// into a temporary file in the same folder (an unnamed one where the file system can make it,
/// so that a crash leaves nothing behind; else one whose name starts with `temporaryPrefix`),
/// which is then put in place with one rename. Any failure leaves the folder as it was.
/// Everything goes through the folder's descriptor and the file's bare name: a folder swapped
/// for a link meanwhile changes nothing outside the folder that was opened.
class AtomicFile {
public:
    /// Names of temporary files: never taken for anything else by a scan, also when a crash or a
    /// lost rename left one behind.
    static constexpr std::string_view temporaryPrefix = ".korvex-tmp-";

    /// The file being replaced, as it was when it was read.
    struct Original {
        int fd = -1; ///< open on it: its extended attributes are carried over (-1: none)
        dev_t device = 0;
        ino_t inode = 0;
        uid_t owner = 0;
        gid_t group = 0;
        mode_t mode = 0;
    };

    struct Request {
        /// Null: `name` is made anew and must not exist (nothing is ever replaced). Else the
        /// file `name` must still be this very file (device and inode) when it is replaced,
        /// and the new file gets its owner (where permitted), extended attributes and mode.
        const Original* original = nullptr;
        /// The mode of a new file (the process's umask applies).
        mode_t newMode = 0666;
        /// Flush the new content to the disk before it takes the name.
        bool durable = true;
    };

    explicit AtomicFile(FileCalls& calls = FileCalls::system()) : calls_(calls) {}

    /// Writes `bytes` as the file `name` (a bare name) in the open folder `folderFd`. On a
    /// failure, errno is that of the call that failed, or 0 when the file to replace was
    /// replaced by someone else meanwhile.
    bool write(int folderFd, std::string_view name, std::span<const std::uint8_t> bytes,
               const Request& request);

    /// The same for the file at `path`; the folder's own path is followed as given (the user
    /// named it), the last component never. A file already there is replaced (keeping its mode,
    /// owner where permitted and extended attributes) only if it is a regular file; a new one
    /// gets `newMode` (less the umask).
    bool writeAtPath(const std::string& path, std::span<const std::uint8_t> bytes,
                     bool durable = true, mode_t newMode = 0666);

    /// Writes all of `bytes` to `fd`; false on an error or a write that makes no progress.
    static bool writeAll(FileCalls& calls, int fd, std::span<const std::uint8_t> bytes);

private:
    bool copyExtendedAttributes(int from, int to);

    FileCalls& calls_;
};

} // namespace korvex
