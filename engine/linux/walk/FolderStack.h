#pragma once

#include "ArchiveRoots.h"
#include "FileDescriptor.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

namespace korvex {

class FolderListing;

/// The folders of a walk from the walked folder down to the one being listed, and the walk's
/// budget of folder descriptors.
///
/// At most `descriptorLimit` folder descriptors are held by the listings made here (counting
/// those the entries still waiting in the ring hold). When a deeper folder needs one, the
/// outermost folders of the stack that nobody else holds are closed (the walked folder and the
/// innermost stay open); when the walk comes back to a closed folder it is opened again
/// through ".." from the folder it leaves (checked to be the very folder entered), or name by
/// name from the deepest open ancestor. The time stays proportional to the size of the tree.
///
/// Threads: the stack, its frames and the climb are the listing thread's alone (the walk's
/// lister, or the caller without a look-ahead). The counters are atomic: a listing made here
/// may be let go last on any thread (its descriptor is then counted back), and
/// `foldersOpened` may be read from anywhere. Every listing must be gone before the stack is.
class FolderStack {
public:
    struct Frame {
        std::shared_ptr<FolderListing> listing;
        std::size_t next;           ///< its next entry to walk
        std::size_t relativeLength; ///< of its path relative to the walked folder
        std::string name; ///< the folder's name in its parent (empty for the walked folder)
        dev_t device;     ///< what the folder was when it was entered: it is opened again
        ino_t inode;      ///< by name only if it is still that folder
    };

    explicit FolderStack(std::size_t descriptorLimit) : limit_(descriptorLimit) {}
    FolderStack(const FolderStack&) = delete;
    FolderStack& operator=(const FolderStack&) = delete;

    /// The walk's record of the folder open at `fd`, counted against the budget (and as one
    /// folder opened) until it is let go of or closed. `listed`: its names, listed already.
    /// No path: nobody asks the walk's listings for one (a path per folder would cost the
    /// square of the depth).
    std::shared_ptr<FolderListing> makeListing(int fd, dev_t device, bool xattrs,
                                               std::vector<ArchiveRoot> archiveRoots = {},
                                               FolderListing* listed = nullptr);

    bool empty() const { return frames_.empty(); }
    std::size_t size() const { return frames_.size(); }
    Frame& innermost() { return frames_.back(); }
    void push(Frame frame) { frames_.push_back(std::move(frame)); }
    /// Leaves the innermost folder, done with. If the folder it returns to was closed, the one
    /// left (or the one left before it) is kept open for the way back up.
    void leave();
    void clear();

    /// Whether one more folder may be opened, after closing what can be closed.
    bool makeRoom();
    /// Whether the innermost folder, closed, can be opened again through ".." with no more
    /// descriptors than are open already.
    bool canClimb() const;
    /// Opens the innermost folder again (closed to save descriptors): through ".." from the
    /// folder left last when there is one (exactly the folder that was entered, once per level
    /// whatever the depth), otherwise, or when it was moved meanwhile, by name. False when it is
    /// no longer the folder entered, or no descriptor is to be had.
    bool reopenInnermost();

    /// Folder descriptors the listings made here hold now, and may hold at most.
    std::size_t openDescriptors() const { return openFds_.load(); }
    std::size_t descriptorLimit() const { return limit_; }
    /// Listings made here that are still held by someone.
    std::size_t listings() const { return listings_.load(); }
    /// Folder opens so far: one per folder entered, and those that open a closed one again.
    std::size_t foldersOpened() const { return foldersOpened_.load(); }

private:
    bool reopenByName(std::size_t index);
    void adoptDescriptor(std::size_t index, FileDescriptor fd);

    const std::size_t limit_;
    std::atomic<std::size_t> openFds_{0}; ///< folder descriptors held by listings
    std::atomic<std::size_t> listings_{0};
    std::atomic<std::size_t> foldersOpened_{0};
    std::vector<Frame> frames_;
    /// Folders of the stack before this one (the walked folder aside) are closed: the next to
    /// close, outermost first, is here or after it.
    std::size_t closeFrom_ = 1;
    /// The folder left last, still open, while the innermost folder of the stack, `climb_`
    /// levels above it, is closed: that one is opened again from it through "..".
    std::shared_ptr<FolderListing> climbFrom_;
    std::size_t climb_ = 0;
};

} // namespace korvex
