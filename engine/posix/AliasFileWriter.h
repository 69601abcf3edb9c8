#pragma once

#include "FileCalls.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvex {

/// Replaces the data fork of an alias file without ever leaving it half written: the new bytes
/// go into a fresh temporary file in the same folder, which gets the alias's mode, its owner
/// (where permitted) and every one of its extended attributes (the FinderInfo that makes it an
/// alias above all), is flushed to disk and then renamed over the alias. Any failure removes the
/// temporary file and leaves the alias exactly as it was. A `._NAME` sidecar is never touched.
class AliasFileWriter {
public:
    explicit AliasFileWriter(FileCalls& calls = FileCalls::system()) : calls_(calls) {}

    /// Replaces the content of the regular file `aliasPath` (never a link) with `bytes`.
    /// False on any failure, the alias then untouched.
    bool replace(const std::string& aliasPath, const std::vector<std::uint8_t>& bytes);

private:
    bool writeAll(int fd, const std::vector<std::uint8_t>& bytes);
    bool copyExtendedAttributes(int from, int to);

    FileCalls& calls_;
};

} // namespace korvex
