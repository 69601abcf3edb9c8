#pragma once

#include <string>

namespace korvex {

/// Where a folder of the Mac that uses the aliases is found on this machine: every stored path
/// at or below `macPrefix` (whole components) is looked for at the same place below
/// `localFolder`, e.g. "/Volumes/Archive" -> "/mnt/archive".
struct PathMapping {
    std::string macPrefix;
    std::string localFolder;

    friend bool operator==(const PathMapping&, const PathMapping&) = default;
};

} // namespace korvex
