#pragma once

#include <string>
#include <string_view>

namespace korvex {

/// Writes the sidecar text files beside aliases: creates the file or replaces the content of a
/// regular file of that name, in place (not atomically). Never writes through a symbolic link
/// and never into a pipe, a device, a socket or a folder: those are failures, and nothing is
/// opened for writing that isn't a regular file.
class TextFileWriter {
public:
    /// Writes `text` (UTF-8, as given) to `path`. False on any failure.
    static bool write(std::string_view text, const std::string& path);
};

} // namespace korvex
