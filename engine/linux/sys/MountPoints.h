#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

class MountTable;

/// The mount points below one folder, read once from the mount table, so that a walk needs
/// no stat of every folder to notice that it is about to enter another file system.
class MountPoints {
public:
    /// The mount points of `table` strictly below the folder at `path`; none when the table is
    /// empty or the folder's canonical path cannot be had (the caller then checks every folder
    /// itself).
    static std::optional<MountPoints> below(const std::string& path, const MountTable& table);

    /// The mount points strictly below `canonicalFolder` among the lines of a
    /// /proc/self/mountinfo text.
    static MountPoints parse(std::string_view mountinfo, std::string_view canonicalFolder);

    /// The mount points of `table` strictly below `canonicalFolder`.
    static MountPoints from(const MountTable& table, std::string_view canonicalFolder);

    /// Whether the folder at `relativePath` (relative to the folder) is a mount point.
    bool contains(std::string_view relativePath) const;

    bool empty() const { return relative_.empty(); }

private:
    std::vector<std::string> relative_; // sorted
};

} // namespace korvex
