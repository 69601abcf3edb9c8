#pragma once

#include "BrokenAlias.h"
#include "MountTable.h"
#include "PathMapping.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace korvex {

/// Names a file found on this machine as the Mac that uses an alias will see it: back through
/// the path mappings (the deepest local folder first), then through a volume mounted here
/// under the alias's volume name. A path of this machine is only ever the answer for an alias
/// that was itself made in this machine's terms: an alias that names a Mac volume (any but
/// "/", or "/" with a first folder this machine doesn't have, like /Users) would break on the
/// Mac with a Linux path in it.
class MacPathFinder {
public:
    /// Whether a path exists here (default: lstat).
    using Exists = std::function<bool(const std::string& path)>;

    MacPathFinder(std::vector<PathMapping> mappings, MountTable mounts, Exists exists = {});

    /// The Mac path of `localPath` for `alias`; none when no way leads back to the Mac.
    std::optional<std::string> macPath(const BrokenAlias& alias,
                                       const std::string& localPath) const;

    /// Whether `alias` names a volume of a Mac (rather than a path of this machine).
    bool namesMacVolume(const BrokenAlias& alias) const;

private:
    std::vector<PathMapping> mappings_; // deepest local folder first
    MountTable mounts_;
    Exists exists_;
};

} // namespace korvex
