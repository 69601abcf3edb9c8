#pragma once

#include "FolderWalk.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace korvex {

class AliasRecognizer;
class FolderListing;
class MountTable;

/// The walk of a folder on a Linux disk, with the type of every entry decided on the way.
///
/// Depth-first; every entry below the folder once, folders included, as a path relative to
/// the folder; the entries of one folder in byte order of their names. Never follows a
/// symbolic link into a folder; a folder that cannot be opened or read is yielded marked as
/// unreadable, and not entered (or only as far as it could be read); kernel pseudo file
/// systems (proc, sysfs, cgroup, ...) and automount points are yielded but never entered.
/// Memory grows with the depth of the tree (and the width of the folders on the current
/// path), never with its size. Depth is bounded neither by PATH_MAX (everything goes through
/// folder descriptors) nor by the descriptor limit: at most a quarter of the process's
/// descriptors (and never more than 256) are held; the outermost folders of deeper trees are
/// closed and opened again when the walk comes back to them, through ".." from the folder it
/// leaves (checked to be the very folder entered), or by name from the deepest open ancestor;
/// the time stays proportional to the size of the tree. When no descriptor can be had, a
/// folder is handed out as unreadable: the walk never waits for one. Entries inside an
/// unpacked Mac archive find their AppleDouble files in its `__MACOSX`, also when the walk
/// starts below the archive's top (see ArchiveRoots).
///
/// With the look-ahead, one thread lists folders and helper threads classify the upcoming
/// entries (a ring of at most 4096 entries, and a bounded number of finished folders kept
/// open), while the caller examines entries one after another in walk order. Every answer is
/// the recognizer's own for that entry; the caller's thread and working folder are never used
/// by the look-ahead. With one thread, a single helper works on a second core. With more, as
/// many helpers classify at once, and as many more threads list the folders below the walk's
/// position ahead of it (TreeReadAhead) and, where the attribute calls take a descriptor,
/// examine their entries there and then, so that a disk whose metadata is not in memory gets
/// many requests at once; the walk hands out those answers with the names. Those threads start
/// once the walk has read from the disk (a tree in memory is walked quickest by the lister and
/// one helper: more threads only hand entries over). The answers are the same with any
/// number. Without the look-ahead,
/// the caller's thread does everything; so it does when the system gives no threads (with the
/// ones it gives, the walk does with fewer helpers, and says so through ThreadStart).
///
/// Its parts: the entries between the threads are an EntryRing, the folders from the walked
/// one down to the one being listed (and the descriptor budget) a FolderStack, and what is
/// never walked is the WalkPolicy's.
class PosixFolderWalk final : public FolderWalk {
public:
    /// Opens the walk of `folderPath` (absolute, no trailing slash except for "/"). None when
    /// the path is missing, not a folder, or cannot be opened. `recognizer` must outlive the
    /// walk. `mountTable`: the mounts to know about (null: the system's, read now). Without
    /// `lookAhead` everything happens on the caller's thread. `threads`: the read-ahead pool
    /// (1: the lister and one helper, nothing read ahead), whose threads and further helpers
    /// start once the walk's threads have read from the disk `poolAfterReads` times within
    /// 64 folders (0: at once).
    static std::unique_ptr<PosixFolderWalk>
    open(const std::string& folderPath, const AliasRecognizer& recognizer,
         const MountTable* mountTable = nullptr, bool lookAhead = true,
         std::size_t threads = defaultThreads, std::size_t poolAfterReads = poolAfterDiskReads);

    /// Threads that read ahead unless told otherwise: sized for a disk's queue, not for cores.
    static constexpr std::size_t defaultThreads = 12;
    /// Reads from the disk within 64 folders after which the pool starts: cold, nearly every
    /// folder reads; in memory, none does, or a stray folder the kernel had let go of.
    static constexpr std::size_t poolAfterDiskReads = 32;

    /// For tests: from now on (`on`), every folder the walk opens counts as a read from the
    /// disk.
    static void countEveryListingAsDiskRead(bool on);
    /// The most threads a walk takes.
    static constexpr std::size_t maxThreads = 256;

    /// Stops the look-ahead and closes everything, also in the middle of a walk.
    ~PosixFolderWalk() override;

    /// Every entry comes with its folder's descriptor, its name, its type identifier (none when
    /// it vanished or cannot be examined) and, as `WalkEntry::folder`, its `FolderListing`.
    bool next(WalkEntry& entry) override;

    /// A stop wakes the caller where it waits for the look-ahead (`next` then answers false)
    /// and stops the reading ahead at once.
    void stopOn(std::stop_token stop) override;

    /// The folder opens the walk has made so far: one per folder entered, and those that open
    /// a folder closed to save descriptors again (one through ".." on the way back up; name by
    /// name from an open ancestor when that fails).
    std::size_t foldersOpened() const;

    class Impl;

private:
    explicit PosixFolderWalk(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

} // namespace korvex
