#pragma once

#include "AliasPlatform.h"

#include <cstdint>
#include <string>
#include <vector>

namespace korvex {

/// One alias file named by its path, resolved as a scan resolves the aliases it walks: its type
/// through the platform, its data as AliasDataReader reads it (bookmark data, or a classic
/// alias record), then the platform's resolution, with its path mappings and without mounting
/// or asking anything. What the system refused stays apart from what the alias says: an alias
/// or a target that couldn't be read is never called broken.
struct AliasFileResolution {
    enum class Outcome {
        resolved,         ///< `target` is the target's path on this machine
        broken,           ///< the alias leads nowhere (or its data is damaged)
        unreadable,       ///< the alias file couldn't be read (`reason`)
        targetUnreadable, ///< a look on the way to the target was refused (`reason`)
        missing,          ///< there is no file at the path
        notAlias,         ///< the file is no Finder alias
    };

    Outcome outcome = Outcome::missing;
    std::string target;
    /// The system's words for an unreadable alias or target.
    std::string reason;
    /// The alias's data as read (bookmark data or a classic record); empty when it couldn't be
    /// read or was damaged.
    std::vector<std::uint8_t> data;

    static AliasFileResolution resolve(AliasPlatform& platform, const std::string& path);
};

} // namespace korvex
