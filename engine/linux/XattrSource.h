#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace korvex {

/// How the recognizer reaches extended attributes; never follows symbolic links. A seam, so
/// that tests can present names a test file system cannot hold (the `osx.` namespace of
/// hfsplus and apfs). Implementations must be safe to call from several threads at once.
/// A `path` is absolute, or (from the walk's own threads) relative to the calling thread's
/// working folder.
class XattrSource {
public:
    enum class Result {
        ok,          ///< answered
        tooSmall,    ///< the buffer is too small (ERANGE); ask again with a larger one
        unsupported, ///< the file system keeps no extended attributes
        vanished,    ///< the entry is gone (ENOENT, ENOTDIR)
        failed,      ///< any other failure (permission, I/O, no such attribute)
    };

    virtual ~XattrSource() = default;

    /// Lists the attribute names of `path` (NUL-terminated names back to back) into `buffer`;
    /// `length` receives the bytes used.
    virtual Result list(const char* path, std::span<char> buffer, std::size_t& length) const = 0;

    /// Reads the value of attribute `name` of `path` into `buffer`; `length` receives its size.
    virtual Result get(const char* path, const char* name, std::span<std::uint8_t> buffer,
                       std::size_t& length) const = 0;

    /// Whether the file system holding the open folder `folderFd` keeps extended attributes
    /// at all (answered once per device by the recognizer).
    virtual bool supported(int folderFd) const = 0;
};

} // namespace korvex
