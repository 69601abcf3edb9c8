#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

/// One mounted file system: where it is mounted and of which type.
struct MountPoint {
    std::string path;
    std::string fsType;
};

/// The mounted file systems of this machine, as the kernel lists them, in mount order.
/// Used to find a Mac volume mounted here under its own name, the volume that holds a file,
/// and the places whose lookup would start an automount.
class MountTable {
public:
    MountTable() = default;
    explicit MountTable(std::vector<MountPoint> mounts) : mounts_(std::move(mounts)) {}

    /// Parses the text of /proc/self/mountinfo; malformed lines are skipped.
    static MountTable fromMountInfo(std::string_view text);

    /// This process's mount table; empty when /proc/self/mountinfo can't be read.
    static MountTable readSystem();

    const std::vector<MountPoint>& mounts() const { return mounts_; }

    /// Mount points whose last path component equals `volumeName` (Unicode normalisation
    /// insensitive), in mount order.
    std::vector<std::string> mountsNamed(std::string_view volumeName) const;

    /// The mount that holds `path` (an absolute, normalised path): the longest mount point that
    /// is `path` or a folder above it; the latest mounted one when several share that path.
    /// Null when the table is empty.
    const MountPoint* holding(std::string_view path) const;

    /// True when looking up `path` would pass through an automount point that has nothing
    /// mounted on it yet, so that the lookup would mount a file system.
    bool lookupWouldMount(std::string_view path) const;

private:
    std::vector<MountPoint> mounts_;
};

/// Where the platform gets the mount table from; read once per scan.
using MountTableSource = std::function<MountTable()>;

} // namespace korvex
