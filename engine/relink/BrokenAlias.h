#pragma once

#include "BookmarkData.h"
#include "Sha256.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace korvex {

/// What a broken alias says about its lost target, as the candidate search needs it.
struct BrokenAlias {
    /// Where the alias file is: absolute, and relative to the scanned folder.
    std::string aliasPath;
    std::string relativePath;
    /// The digest of the bookmark data read from the alias during the scan: a relink reads the
    /// alias again and goes on only when it still holds the same bytes. (The data itself is not
    /// kept: memory grows with the number of broken aliases, not with their size.)
    Digest digest{};
    /// The user owning the alias file, when known (see AliasRepair).
    std::optional<std::uint32_t> owner;
    /// The target's path on the Mac that made the alias, as components; the last is its name.
    std::vector<std::string> storedComponents;
    /// Whether the target was a folder (or package); none when the alias doesn't say.
    std::optional<bool> isDirectory;
    /// The target's creation date (seconds since 2001-01-01 UTC), when stored.
    std::optional<double> creationDate;
    std::optional<std::string> volumeName;
    std::optional<std::string> volumePath;
    /// A classic alias record (from a resource fork): its candidates are suggested, but it is
    /// never relinked, for the Mac reads such an alias from its resource fork, which stays.
    bool classic = false;

    /// "/" + the stored components.
    std::string storedPath() const;
    const std::string& storedName() const { return storedComponents.back(); }

    /// The broken alias at `aliasPath` whose data is `data`; none when the data names no
    /// target by name (no path, or a volume root), so that there is nothing to look for.
    static std::optional<BrokenAlias> from(std::string aliasPath, std::string relativePath,
                                           const BookmarkData& data);
};

} // namespace korvex
