#pragma once

#include "FileCalls.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <sys/types.h>

namespace korvex {

/// Rewrites the content of a file through its own inode, for a file with more than one name
/// (hard links): a replacement by rename would give this name a new file and leave the other
/// names with the old content. Only the very file that was read (device and inode), still
/// holding exactly what was read, is written; the check is made through the descriptor that
/// then writes.
///
/// Not atomic, as no rewrite of an inode in place can be: the new bytes go in with one write
/// at offset 0, then the file is cut to their length and flushed. A shorter content cut short
/// by a crash is followed by old bytes past the length its header announces, which readers of
/// bookmark data ignore; a crash during the write itself (a few KiB, one block on most file
/// systems) can leave the block torn. That is the price of keeping the links.
class InPlaceRewrite {
public:
    explicit InPlaceRewrite(FileCalls& calls = FileCalls::system()) : calls_(calls) {}

    /// Writes `bytes` as the whole content of `name` (a bare name) in the open folder
    /// `folderFd`, if it is still the regular file `device`/`inode` holding `expected`. On a
    /// failure, errno is that of the call that failed, or 0 when the file was not that file.
    bool write(int folderFd, std::string_view name, dev_t device, ino_t inode,
               std::span<const std::uint8_t> expected, std::span<const std::uint8_t> bytes);

private:
    FileCalls& calls_;
};

} // namespace korvex
