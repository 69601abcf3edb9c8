#pragma once

#include "ReadResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <vector>

namespace korvex {

class AppleDoubleFiles;

/// Reads the data of a Finder alias file: the bookmark data in its data fork, or, when the
/// data fork holds none (aliases made before Mac OS X 10.6, and every copy of them), the
/// classic alias record in resource 'alis' of its resource fork, wherever the fork ended up:
/// the attributes `user.DosStream.AFP_Resource:$DATA` (Samba; one trailing zero byte),
/// `user.com.apple.ResourceFork`, `osx.com.apple.ResourceFork`, then entry 2 of its
/// AppleDouble files. The first fork holding a readable record wins. The resource fork is
/// only looked for when the data fork holds no readable bookmark data. A fork that is there but
/// can't be read (permission, I/O error) is no fork without a record: when no other holds one,
/// the answer is that the alias could not be read, never that its data is damaged.
class AliasDataReader {
public:
    /// The most read of any fork.
    static constexpr std::size_t limit = 16 * 1024 * 1024;

    /// The data of the alias `name` in the open folder `folderFd` (never through a symbolic
    /// link, never blocking on a pipe or a device): bookmark data, or a classic alias record.
    /// Else damaged when it holds neither in a form that can be read (or is no regular file,
    /// or is too large), unreadable (with the errno) when the system did not let a fork be
    /// read, gone when it vanished. `dataFork`, when given, receives what fstat said of the
    /// very data fork that was read; `damage`, when given, what is wrong with the first
    /// resource fork found that holds no alias record that can be read, and where it is.
    static ReadResult<std::vector<std::uint8_t>> read(int folderFd, std::string_view name,
                                                      AppleDoubleFiles& files,
                                                      struct stat* dataFork = nullptr,
                                                      std::string* damage = nullptr);

    /// The same for the alias file at the absolute `path`.
    static ReadResult<std::vector<std::uint8_t>> readPath(const std::string& path,
                                                          std::string* damage = nullptr);
};

} // namespace korvex
