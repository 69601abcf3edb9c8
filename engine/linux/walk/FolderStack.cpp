#include "FolderStack.h"

#include "FolderListing.h"

#include <algorithm>
#include <fcntl.h>
#include <sys/stat.h>

namespace korvex {

std::shared_ptr<FolderListing> FolderStack::makeListing(int fd, dev_t device, bool xattrs,
                                                        std::vector<ArchiveRoot> archiveRoots,
                                                        FolderListing* listed) {
    listings_.fetch_add(1);
    openFds_.fetch_add(1);
    foldersOpened_.fetch_add(1, std::memory_order_relaxed);
    return std::shared_ptr<FolderListing>(
        listed
            ? new FolderListing(fd, {}, device, xattrs, std::move(archiveRoots), std::move(*listed))
            : new FolderListing(fd, {}, device, xattrs, std::move(archiveRoots)),
        [this](FolderListing* l) {
            if (l->fd() >= 0) {
                openFds_.fetch_sub(1);
            }
            delete l;
            listings_.fetch_sub(1);
        });
}

void FolderStack::clear() {
    climbFrom_.reset();
    frames_.clear();
}

// Closes the descriptors of folders on the current path that nobody but the walk holds,
// the outermost first, until one more folder may be opened. The walked folder and the
// innermost one stay open. Each folder is looked at once on the way down: those before
// `closeFrom_` are closed already.
bool FolderStack::makeRoom() {
    while (openFds_.load() >= limit_ && closeFrom_ + 1 < frames_.size()) {
        const std::shared_ptr<FolderListing>& listing = frames_[closeFrom_].listing;
        if (listing->fd() >= 0) {
            if (listing.use_count() != 1) {
                // Entries of it wait to be handed out, and so do those of the folders inside
                // it, which came later: none can be closed yet.
                break;
            }
            // Whoever held it last is done with its descriptor.
            std::atomic_thread_fence(std::memory_order_acquire);
            listing->closeFd();
            openFds_.fetch_sub(1);
        }
        ++closeFrom_;
    }
    return openFds_.load() < limit_;
}

void FolderStack::leave() {
    std::shared_ptr<FolderListing> left = std::move(frames_.back().listing);
    frames_.pop_back();
    if (left->fd() >= 0) {
        climbFrom_ = std::move(left);
        climb_ = 1;
    } else if (climbFrom_) {
        ++climb_;
    }
    if (frames_.empty() || frames_.back().listing->fd() >= 0) {
        climbFrom_.reset();
    }
    closeFrom_ =
        std::clamp<std::size_t>(closeFrom_, 1, std::max<std::size_t>(frames_.size(), 2) - 1);
}

bool FolderStack::canClimb() const {
    return climbFrom_ && climbFrom_->fd() >= 0 && climbFrom_.use_count() == 1;
}

void FolderStack::adoptDescriptor(std::size_t index, FileDescriptor fd) {
    frames_[index].listing->adopt(fd.release());
    openFds_.fetch_add(1);
    closeFrom_ = std::min(closeFrom_, std::max<std::size_t>(index, 1));
}

bool FolderStack::reopenInnermost() {
    const std::size_t index = frames_.size() - 1;
    const Frame& frame = frames_[index];
    if (climbFrom_ && climbFrom_->fd() >= 0) {
        FileDescriptor up = ArchiveRoots::climb(climbFrom_->fd(), climb_, O_RDONLY | O_NOFOLLOW,
                                                frame.device, frame.inode);
        foldersOpened_.fetch_add((climb_ + ArchiveRoots::climbStep - 1) / ArchiveRoots::climbStep,
                                 std::memory_order_relaxed);
        climbFrom_.reset(); // its descriptor closes, unless entries of it still wait
        if (up) {
            adoptDescriptor(index, std::move(up));
            return true;
        }
    }
    climbFrom_.reset();
    return reopenByName(index);
}

// Opens the folder of frames_[index] again, name by name from the deepest ancestor that is
// still open, and only if every folder on the way is still the one that was entered.
bool FolderStack::reopenByName(std::size_t index) {
    std::size_t open = index;
    while (open > 0 && frames_[open].listing->fd() < 0) {
        --open;
    }
    FileDescriptor current;
    int at = frames_[open].listing->fd();
    for (std::size_t i = open + 1; i <= index; ++i) {
        FileDescriptor next(
            ::openat(at, frames_[i].name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        foldersOpened_.fetch_add(1, std::memory_order_relaxed);
        struct stat st;
        if (!next || ::fstat(next.get(), &st) != 0 || st.st_dev != frames_[i].device ||
            st.st_ino != frames_[i].inode) {
            return false;
        }
        current = std::move(next);
        at = current.get();
    }
    adoptDescriptor(index, std::move(current));
    return true;
}

} // namespace korvex
