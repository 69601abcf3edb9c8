#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace korvex {

class FolderListing;

/// Lists the folders of a tree ahead of its walk on a pool of threads, so that a disk whose
/// metadata is not in memory gets many requests at once rather than one after another: the
/// folders below the walk's position are opened and read and the names thrown away; the walk
/// then finds them in the kernel's caches (the walk's own helpers examine the entries, many at
/// once). Nothing of it reaches the walk's answers, so those are the same with any number of
/// threads.
///
/// With `examine`, the entries of each folder listed ahead are examined there and then, while
/// the folder is open, on the same thread: the walk finds the answers with the names (a folder
/// that holds a `__MACOSX` folder passes on no examination to those below it).
///
/// Bounded whatever the tree's shape: a bounded number of names listed ahead of the walk, at
/// most `descriptorLimit` folders kept open for later, a bounded stack of work (the part
/// farthest ahead is dropped first), very large folders left to the walk. When nearly all
/// of a batch of folders were listed at memory speed it pauses while the walk goes on (a tree in
/// memory gains nothing from it). Never follows a link, never enters another file system, reaches
/// everything through descriptors.
class TreeReadAhead {
public:
    /// Examines the entries of a folder listed ahead (open, with its names) and keeps the
    /// answers in it; called on the pool's threads, several at once.
    using Examine = std::function<void(FolderListing& listing)>;

    /// Starts up to `threads` threads: as many as the system gives (see `threads()`). With
    /// none, nothing is read ahead until `startThreads`.
    TreeReadAhead(std::size_t threads, std::size_t descriptorLimit, Examine examine = {});
    /// Stops the threads (they finish the entry at hand).
    ~TreeReadAhead();
    TreeReadAhead(const TreeReadAhead&) = delete;
    TreeReadAhead& operator=(const TreeReadAhead&) = delete;

    /// Asks the threads to stop and wakes whoever waits, a walk in take() too: from then on
    /// nothing more is read ahead, and take() no longer waits.
    void stop();

    /// The walk entered the folder `listing` at `relativePath` ("" for the walked folder)
    /// after handing out `walked` entries. Reads ahead from there when there is nothing else
    /// to do.
    void entered(const std::shared_ptr<const FolderListing>& listing, std::string_view relativePath,
                 std::size_t walked);

    /// The names of the folder at `relativePath` as listed ahead, when they were listed while
    /// the folder was what `now` says (the same inode, modification and change times), so that
    /// the walk need not read it again; null otherwise. Given once: the listing is taken.
    std::shared_ptr<FolderListing> take(std::string_view relativePath, const struct stat& now);

    /// Starts up to `threads` more threads (none once stopped). Called by one thread only, the
    /// one that calls `entered` and `take`.
    void startThreads(std::size_t threads);

    /// The threads that read ahead; fewer than asked for when the system refused some.
    std::size_t threads() const { return threads_.size(); }

    /// Whether `a` comes before `b` in walk order (depth-first, names in byte order).
    static bool walksBefore(std::string_view a, std::string_view b);

private:
    struct Folder;
    struct Job;
    /// A listing kept for the walk, with what its folder was when it was listed.
    struct Listed {
        std::shared_ptr<FolderListing> names;
        dev_t device;
        ino_t inode;
        timespec modified;
        timespec changed;
    };
    struct WalkOrder {
        bool operator()(const std::string& a, const std::string& b) const {
            return walksBefore(a, b);
        }
    };

    void run();
    void descend(const std::shared_ptr<Folder>& parent, std::size_t index);
    void list(const Folder& parent, const std::string& name, const std::string& path);
    void push(Job job);
    bool isBehindWalkLocked(std::string_view path) const;
    void keep(const std::string& path, std::shared_ptr<FolderListing> listing,
              const struct stat& st);
    bool mayDescend() const; ///< with the mutex held
    bool mayKeep(std::string_view path, const FolderListing& listing);
    bool mayKeepLocked(std::string_view path, const FolderListing& listing) const;
    std::shared_ptr<Folder> folderFrom(const FolderListing& listing, int fd, std::string_view path,
                                       bool examineBelow);

    const std::size_t descriptorLimit_;
    const Examine examine_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable workDone_; ///< a folder in `working_` is done with
    std::deque<Job> jobs_;             ///< the back is taken first: the nearest in walk order
    std::size_t busy_ = 0;
    std::size_t sleepers_ = 0; ///< threads waiting for `wake_`
    std::string position_;     ///< the walk's folder
    std::size_t walked_ = 0;
    std::size_t pausedUntil_ = 0;   ///< no descent before the walk has handed out this many
    bool waiting_ = false;          ///< a thread waits for the walk to come nearer
    std::size_t listedInBatch_ = 0; ///< folders listed in this batch
    std::size_t cachedInBatch_ = 0; ///< of which at memory speed
    bool stop_ = false;
    std::set<std::string, std::less<>>
        working_;            ///< folders being listed (and examined) by the threads
    bool walkWaits_ = false; ///< for one of them
    std::atomic<std::size_t> openFolders_{0};
    std::map<std::string, Listed, WalkOrder> listed_; ///< by relative path, in walk order
    std::size_t listedNames_ = 0;                     ///< entries held in `listed_`
    std::vector<std::thread> threads_;
};

} // namespace korvex
