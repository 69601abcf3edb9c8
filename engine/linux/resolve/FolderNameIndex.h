#pragma once

#include "ReadResult.h"
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <list>

#include <mutex>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace korvex {

/// Whether the errno of a failed lookup by path says that nothing is there (no such entry, a
/// file where a folder should be, a loop or a name too long): unlike a refusal (permission, an
/// I/O error), it is an answer about the path.
inline bool isMissingError(int error) {
    return error == ENOENT || error == ENOTDIR || error == ELOOP || error == ENAMETOOLONG;
}

/// The names of recently read folders, indexed by their normalisation form C, so that a folder
/// is read once however many names are looked up in it. A folder is known by device and inode;
/// its index is read again when the folder's modification or change time moved on. Holds at most
/// `byteLimit` bytes of names (the folder read last is always kept). Safe from several threads.
class FolderNameIndex {
public:
    explicit FolderNameIndex(std::size_t byteLimit = 8u << 20) : byteLimit_(byteLimit) {}

    /// The first name in byte order in the folder at `folderPath` that equals `name` in
    /// normalisation form C (bytes that are not UTF-8 only equal themselves). Else gone when
    /// there is none (or no such folder), unreadable with the errno when the folder can't be
    /// looked at or read to the end.
    ReadResult<std::string> equivalentName(const std::string& folderPath, std::string_view name);

    /// How often a folder was read from the disk (for tests).
    std::size_t foldersRead() const;

private:
    struct Folder {
        dev_t device;
        ino_t inode;
        std::int64_t modified; ///< nanoseconds; with `changed`, tells an index gone stale
        std::int64_t changed;
        std::vector<char> text;        ///< "key\0name\0" for each name
        std::vector<std::uint32_t> at; ///< offsets into `text`, sorted by key then name
        std::string_view keyAt(std::uint32_t offset) const;
    };

    /// 0, or the errno of the call that failed.
    static int read(const std::string& folderPath, Folder& folder);
    void evictBeyondLimit();

    const std::size_t byteLimit_;
    mutable std::mutex mutex_;
    std::list<Folder> folders_; ///< most recently used first
    std::size_t bytes_ = 0;
    std::size_t foldersRead_ = 0;
};

} // namespace korvex
