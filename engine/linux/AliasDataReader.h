#pragma once

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
/// only looked for when the data fork holds no readable bookmark data.
class AliasDataReader {
public:
    /// The most read of any fork.
    static constexpr std::size_t limit = 16 * 1024 * 1024;

    /// The data of the alias `name` in the open folder `folderFd` (never through a symbolic
    /// link, never blocking on a pipe or a device): bookmark data, or a classic alias record.
    /// None when it holds neither in a form that can be read. `dataFork`, when given, receives
    /// what fstat said of the very data fork that was read.
    static std::optional<std::vector<std::uint8_t>> read(int folderFd, std::string_view name,
                                                         AppleDoubleFiles& files,
                                                         struct stat* dataFork = nullptr);

    /// The same for the alias file at the absolute `path`.
    static std::optional<std::vector<std::uint8_t>> readPath(const std::string& path);
};

} // namespace korvex
