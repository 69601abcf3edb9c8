#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace korvex {

/// How the recognizer reaches extended attributes; never follows symbolic links. A seam, so
/// that tests can present names a test file system cannot hold (the `osx.` namespace of
/// hfsplus and apfs). Implementations must be safe to call from several threads at once.
class XattrSource {
public:
    /// The entry asked about: `name` in the open folder `folderFd`, and, where the caller has
    /// one, a `path` to it (absolute, or relative to the calling thread's working folder; null
    /// when the caller has none, see `byDescriptor`).
    struct Item {
        int folderFd = -1;
        const char* name = nullptr;
        const char* path = nullptr;
    };

    enum class Result {
        ok,          ///< answered
        tooSmall,    ///< the buffer is too small (ERANGE); ask again with a larger one
        unsupported, ///< the file system keeps no extended attributes
        vanished,    ///< the entry is gone (ENOENT, ENOTDIR)
        absent,      ///< the entry has no attribute of that name (ENODATA)
        failed,      ///< the system refused or failed (permission, I/O, memory): errno says why
    };

    virtual ~XattrSource() = default;

    /// Lists the attribute names of `item` (NUL-terminated names back to back) into `buffer`;
    /// `length` receives the bytes used.
    virtual Result list(const Item& item, std::span<char> buffer, std::size_t& length) const = 0;

    /// Reads the value of attribute `name` of `item` into `buffer`; `length` receives its size.
    virtual Result get(const Item& item, const char* name, std::span<std::uint8_t> buffer,
                       std::size_t& length) const = 0;

    /// Whether the calls need no `path`: they reach the entry through the folder's descriptor
    /// and its name alone. Callers then need not make one.
    virtual bool byDescriptor() const { return false; }

    /// Whether the file system holding the open folder `folderFd` keeps extended attributes
    /// at all (answered once per device by the recognizer).
    virtual bool supported(int folderFd) const = 0;
};

} // namespace korvex
