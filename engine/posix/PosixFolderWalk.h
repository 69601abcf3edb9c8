#pragma once

#include "FolderWalk.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

class AliasRecognizer;
class FolderListing;

/// The walk of a folder on a Linux disk, with the type of every entry decided on the way.
///
/// Depth-first; every entry below the folder once, folders included, as a path relative to
/// the folder; the entries of one folder in byte order of their names. Never follows a
/// symbolic link into a folder; a folder that cannot be opened is yielded but not entered;
/// kernel pseudo file systems (proc, sysfs, cgroup, ...) and automount points are yielded but
/// never entered. Memory grows with the depth of the tree (and the width of the folders on
/// the current path), never with its size.
///
/// With the look-ahead, one thread lists folders and a second one helps it classify the
/// upcoming entries (a ring of at most 1024 entries, and at most 64 finished folders kept
/// open), while the caller examines entries one after another in walk order. Every answer is
/// the recognizer's own for that entry; the caller's thread and working folder are never
/// used by the look-ahead. Without it, the caller's thread does everything.
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

    /// The open folder holding the entry last yielded, and its name there; null and empty
    /// before the first entry and after the last. Valid until the next call of `next`.
    const FolderListing* currentFolder() const;
    std::string_view currentName() const;

    class Impl;

private:
    explicit PosixFolderWalk(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace korvex
