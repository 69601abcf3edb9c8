#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvex {

/// Reads whole regular files safely: never through a symbolic link, never blocking on a pipe
/// or a device (those are refused after the open, by fstat), never more than a bound.
class RegularFileReader {
public:
    /// The largest data fork read as bookmark data.
    static constexpr std::size_t defaultLimit = 16 * 1024 * 1024;

    /// The bytes of the regular file at `path`, or none when it is missing, a link, not a
    /// regular file, unreadable, or longer than `limit` bytes.
    static std::optional<std::vector<std::uint8_t>> read(const std::string& path,
                                                         std::size_t limit = defaultLimit);
};

} // namespace korvex
