#pragma once

#include "ReadResult.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace korvex {

/// Reads whole regular files safely: never through a symbolic link, never blocking on a pipe
/// or a device (those are refused after the open, by fstat), never more than a bound.
class RegularFileReader {
public:
    /// The largest data fork read as bookmark data.
    static constexpr std::size_t defaultLimit = 16 * 1024 * 1024;

    /// The bytes of the regular file `name` in the open folder `folderFd`, or none when it is
    /// missing, a link, not a regular file, unreadable, or longer than `limit` bytes. `status`,
    /// when given, receives what fstat said of the very file read; `why`, when given and there
    /// are no bytes, why not: gone (missing), damaged (a link, no regular file, too long) or
    /// unreadable (the system refused or failed; its errno).
    static std::optional<std::vector<std::uint8_t>> readAt(int folderFd, const char* name,
                                                           std::size_t limit = defaultLimit,
                                                           struct stat* status = nullptr,
                                                           ReadFailure* why = nullptr);

    /// The same for the file at `path` (a path given by the user, as on the command line).
    static std::optional<std::vector<std::uint8_t>> read(const std::string& path,
                                                         std::size_t limit = defaultLimit);

    /// The same for a file already open at `fd`. With `cut` given, a longer file is no
    /// failure: its first `limit` bytes are the answer and `*cut` says that more followed.
    static std::optional<std::vector<std::uint8_t>> readOpen(int fd, std::size_t limit,
                                                             struct stat* status = nullptr,
                                                             ReadFailure* why = nullptr,
                                                             bool* cut = nullptr);

    /// Why an open with the flags used here failed with `error`: gone, damaged (a link or
    /// something that is no file) or unreadable.
    static ReadFailure openFailure(int error);
};

} // namespace korvex
