#pragma once

#include "FolderWalk.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

class AliasRecognizer;

/// The walk of a folder on a Linux disk, with the type of every entry decided on the way.
///
/// Depth-first; every entry below the folder once, folders included, as a path relative to
/// the folder; the entries of one folder in byte order of their names. Never follows a
/// symbolic link into a folder; a folder that cannot be opened is yielded but not entered;
/// kernel pseudo file systems (proc, sysfs, cgroup, ...) and automount points are yielded but
/// never entered. Memory grows with the depth of the tree (and the width of the folders on
/// the current path), never with its size.
///
/// A second thread lists folders and classifies upcoming entries ahead of the caller (a
/// bounded look-ahead); the caller's own thread classifies whatever it reaches first. Either
/// way `currentType()` is the recognizer's answer for the entry.
class PosixFolderWalk final : public FolderWalk {
public:
    /// Opens the walk of `folderPath` (absolute, no trailing slash except for "/"). None when
    /// the path is missing, not a folder, or cannot be opened. `recognizer` must outlive the
    /// walk. Without `lookAhead` everything happens on the caller's thread.
    static std::unique_ptr<PosixFolderWalk>
    open(const std::string& folderPath, const AliasRecognizer& recognizer, bool lookAhead = true);

    /// Stops the look-ahead and closes everything, also in the middle of a walk.
    ~PosixFolderWalk() override;

    bool next(std::string_view& relativePath) override;

    /// The type identifier of the entry last yielded by `next`; none when it vanished or
    /// cannot be examined. Also none before the first entry.
    std::optional<std::string_view> currentType() const;

    /// The absolute path of the entry last yielded: folder path, "/", relative path (a single
    /// slash after the root folder "/").
    const std::string& currentPath() const;

    class Impl;

private:
    explicit PosixFolderWalk(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace korvex
