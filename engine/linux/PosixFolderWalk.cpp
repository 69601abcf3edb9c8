#include "PosixFolderWalk.h"

#include "AliasRecognizer.h"
#include "ArchiveRoots.h"
#include "FileDescriptor.h"
#include "FileUrl.h"
#include "FolderListing.h"
#include "MountPoints.h"
#include "MountTable.h"
#include "PathText.h"
#include "ThreadStart.h"
#include "ThreadWaits.h"
#include "TreeReadAhead.h"
#include "WalkPolicy.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <mutex>
#include <sched.h>
#include <stop_token>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace korvex {

namespace {

/// Entries listed and classified ahead of the caller.
constexpr std::size_t ringSize = 4096;
/// Finished folders the look-ahead may keep open beyond those on the current path (with a
/// pool of threads, up to three quarters of the walk's descriptors).
constexpr std::size_t spareFolders = 64;
/// New entries that wake the helper threads (waking them for each would cost more than it saves).
constexpr std::size_t helperBatch = 128;
/// Entries of one folder a look-ahead thread classifies in a row.
constexpr std::size_t runLength = 16;
/// A run that takes longer than this may have waited for the disk (from memory, a run takes
/// a few microseconds an entry).
constexpr std::chrono::microseconds slowRun{100};
/// Entries a caller who has caught up with the look-ahead lets it classify before waking.
constexpr std::size_t consumerBatch = 256;
/// How often a waiting caller looks again before it sleeps (an entry takes microseconds).
constexpr int spinLimit = 128;

/// Folder descriptors the walk cannot do with fewer of (the walked folder, the innermost,
/// the one climbed from, and those entries in the ring hold).
constexpr std::size_t leastFolderDescriptors = 8;

inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

/// A slot's state word: the number of the entry it holds (ring slots are reused, so a state
/// names its entry, or a thread that slept could claim the slot's next entry by mistake)
/// and where that entry is.
enum SlotState : std::uint64_t { pending = 0, claimed = 1, done = 2 };
constexpr std::uint64_t stateOf(std::size_t entry, SlotState state) {
    return std::uint64_t{entry} << 2 | state;
}

struct Slot {
    std::string relative;
    std::shared_ptr<const FolderListing> folder;
    std::uint32_t index = 0;
    unsigned char type = DT_UNKNOWN;
    bool unreadable = false; ///< a folder whose content could not be walked
    bool answered = false;   ///< examined as its folder was listed ahead: `result` holds it
    std::atomic<std::uint64_t> state{~std::uint64_t{0}}; ///< stateOf(entry, ...)
    ReadResult<std::string_view> result;
};

/// A look-ahead thread's own working folder. Attribute calls take paths only; from inside
/// the entry's folder the path is its bare name, which the kernel looks up far quicker than
/// a path from the root. Only threads of the walk change their (unshared) working folder;
/// the caller's is never touched.
class WorkingFolder {
public:
    /// `byDescriptor`: the attribute calls need no path (see XattrSource::byDescriptor), so
    /// the thread never changes its working folder.
    explicit WorkingFolder(bool byDescriptor)
        : byDescriptor_(byDescriptor), private_(!byDescriptor && ::unshare(CLONE_FS) == 0) {}

    /// The path of `entry` for attribute calls from this thread; null when none is needed.
    const char* pathOf(const std::shared_ptr<const FolderListing>& listing,
                       const FolderListing::Entry& entry, std::string& scratch) {
        if (byDescriptor_) {
            return nullptr;
        }
        if (private_ && current_ != listing) {
            current_ = ::fchdir(listing->fd()) == 0 ? listing : nullptr;
        }
        if (private_ && current_ == listing) {
            return listing->cName(entry);
        }
        return descriptorPath(listing->fd(), listing->cName(entry), scratch);
    }

    /// Lets go of the folder (its listing may then close).
    void leave() { current_.reset(); }

private:
    bool byDescriptor_;
    bool private_;
    std::shared_ptr<const FolderListing> current_; // held: its address stays unique
};

} // namespace

class PosixFolderWalk::Impl {
public:
    explicit Impl(const AliasRecognizer& recognizer)
        : recognizer_(recognizer), ring_(ringSize),
          fdLimit_(WalkPolicy::folderDescriptors(leastFolderDescriptors)) {}

    ~Impl() {
        stopWaking_.reset(); // it uses the read-ahead and the caller's wait
        stopThreads();       // they use the read-ahead
        readAhead_.reset();
        stack_.clear();
        ring_.clear();
    }

    void start(std::shared_ptr<FolderListing> root, const struct stat& st, bool lookAhead,
               std::size_t threads) {
        if (root) {
            stack_.push_back(Frame{std::move(root), 0, 0, {}, st.st_dev, st.st_ino});
        } else {
            finished_.store(true);
        }
        bool refused = false;
        if (lookAhead && threads > 1 && !finished_.load()) {
            // The pool examines the entries of the folders it lists, when that needs no working
            // folder: each folder is then read, and its entries looked at, by one thread while
            // it is open, many folders at once (far fewer hand-overs between threads).
            TreeReadAhead::Examine examine;
            if (recognizer_.xattrsByDescriptor()) {
                examine = [this](FolderListing& listing) { examineAhead(listing); };
            }
            const std::size_t wanted = std::min(threads, maxThreads);
            readAhead_ = std::make_unique<TreeReadAhead>(wanted, fdLimit_, std::move(examine));
            refused = readAhead_->threads() < wanted;
            if (readAhead_->threads() == 0) {
                readAhead_.reset();
            } else {
                readAhead_->entered(stack_.back().listing, "", 0);
            }
        }
        if (lookAhead && !finished_.load()) {
            // Without a pool, one helper on a second core; with one, as many helpers as it
            // has threads, so that the disk sees their requests at once.
            const std::size_t helpers = threads > 1
                                            ? std::min(threads, maxThreads)
                                            : (std::thread::hardware_concurrency() > 1 ? 1 : 0);
            if (readAhead_) {
                spare_ = std::max(spareFolders, fdLimit_ * 3 / 4);
            }
            // When the system gives fewer threads: the lister before the pool (whose threads
            // go to make room for it), then fewer helpers (the lister classifies too); without
            // a lister the walk is the caller's alone.
            bool lister = ThreadStart::start(lister_, [this] { runLister(); });
            if (!lister && readAhead_) {
                refused = true;
                readAhead_.reset();
                spare_ = spareFolders;
                lister = ThreadStart::start(lister_, [this] { runLister(); });
            }
            if (lister) {
                for (std::size_t i = 0; i < helpers; ++i) {
                    std::thread helper;
                    if (!ThreadStart::start(helper, [this] { runHelper(); })) {
                        refused = true;
                        break;
                    }
                    helpers_.push_back(std::move(helper));
                }
            } else {
                refused = true;
            }
        }
        if (refused) {
            ThreadStart::tellShortage("scanning", 1 + (threaded() ? 1 + helpers_.size() : 0) +
                                                      (readAhead_ ? readAhead_->threads() : 0));
        }
    }

    /// From now on a stop requested through `stop` wakes the caller's wait in `next`, which
    /// then ends the walk, and stops the reading ahead.
    void stopOn(std::stop_token stop) {
        stopWaking_.emplace(std::move(stop), [this] {
            stopped_.store(true);
            if (readAhead_) {
                readAhead_->stop();
            }
            { std::lock_guard lock(consumerMutex_); }
            consumerCv_.notify_all();
        });
    }

    /// The walk's record of the folder open at `fd`. No path: nobody asks the walk's listings
    /// for one (a path per folder would cost the square of the depth).
    std::shared_ptr<FolderListing> makeListing(int fd, dev_t device, bool xattrs,
                                               std::vector<ArchiveRoot> archiveRoots = {},
                                               FolderListing* listed = nullptr) {
        listings_.fetch_add(1);
        openFds_.fetch_add(1);
        foldersOpened_.fetch_add(1, std::memory_order_relaxed);
        return std::shared_ptr<FolderListing>(
            listed ? new FolderListing(fd, {}, device, xattrs, std::move(archiveRoots),
                                       std::move(*listed))
                   : new FolderListing(fd, {}, device, xattrs, std::move(archiveRoots)),
            [this](FolderListing* l) {
                if (l->fd() >= 0) {
                    openFds_.fetch_sub(1);
                }
                delete l;
                listings_.fetch_sub(1);
            });
    }

    bool next(WalkEntry& entry);

    std::size_t foldersOpened() const { return foldersOpened_.load(); }

    std::optional<MountPoints> mounts_; ///< below the folder; none: look at every folder

private:
    struct Frame {
        std::shared_ptr<FolderListing> listing;
        std::size_t next;
        std::size_t relativeLength;
        std::string name; ///< the folder's name in its parent (empty for the walked folder)
        dev_t device;     ///< what the folder was when it was entered: it is opened again
        ino_t inode;      ///< by name only if it is still that folder
    };
    enum class Produced { entry, blocked, finished };
    enum class Entered { yes, no, unreadable };

    Produced produceOne(bool mustProduce);
    Entered enterFolder(const std::shared_ptr<const FolderListing>& parentListing,
                        const FolderListing::Entry& entry);
    void leaveFolder();
    bool makeRoomForFolder();
    bool reopenInnermost();
    bool reopenByName(std::size_t index);
    void adoptDescriptor(std::size_t index, FileDescriptor fd);
    void publish(Slot& slot, std::size_t at);
    ReadResult<std::string_view> classify(const Slot& slot, const char* path) const;
    void examineAhead(FolderListing& listing) const;
    bool classifyOne(std::size_t& from, WorkingFolder& folder, std::string& scratch);
    void releaseConsumed(std::size_t upTo);
    void runLister();
    void runHelper();
    void stopThreads();
    void finish();
    void wakeConsumer(std::size_t completed);
    void wakeLister();
    void wakeHelper();
    bool threaded() const { return lister_.joinable(); }

    const AliasRecognizer& recognizer_;
    std::atomic<std::size_t> listings_{0};
    std::vector<Slot> ring_;
    const std::size_t fdLimit_;
    std::atomic<std::size_t> openFds_{0}; ///< folder descriptors held by listings
    std::atomic<std::size_t> foldersOpened_{0};

    // Walk state: touched only by the listing thread (the lister, or the caller when there is
    // no look-ahead).
    std::vector<Frame> stack_;
    /// Folders of the stack before this one (the walked folder aside) are closed: the next to
    /// close, outermost first, is here or after it.
    std::size_t closeFrom_ = 1;
    /// The folder left last, still open, while the innermost folder of the stack, `climb_`
    /// levels above it, is closed: that one is opened again from it through "..".
    std::shared_ptr<FolderListing> climbFrom_;
    std::size_t climb_ = 0;
    std::string relative_;
    std::size_t released_ = 0; // slots before this hold no folder any more

    std::atomic<std::size_t> produced_{0};
    std::atomic<std::size_t> claimedBefore_{0}; ///< a hint: entries before it are all claimed
    std::atomic<std::size_t> consumed_{0};
    std::atomic<bool> finished_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> consumerWaiting_{false};
    std::atomic<std::size_t> consumerWaitsFor_{0};
    std::atomic<std::size_t> consumerWaitsUntil_{0};
    std::atomic<bool> listerWaiting_{false};
    std::atomic<std::size_t> listerWakeAt_{0};
    std::atomic<int> helpersWaiting_{0};
    std::atomic<std::size_t> helperWakeAt_{0};
    // One mutex per sleeper; a waker takes it only for a moment (so that the sleeper cannot be
    // between its last look and its sleep) and notifies after letting go of it.
    std::mutex consumerMutex_;
    std::mutex listerMutex_;
    std::mutex helperMutex_;
    std::condition_variable consumerCv_;
    std::condition_variable listerCv_;
    std::condition_variable helperCv_;
    std::thread lister_;
    std::vector<std::thread> helpers_;
    std::size_t spare_ = spareFolders;
    std::unique_ptr<TreeReadAhead> readAhead_;
    std::atomic<bool> stopped_{false}; ///< a stop was requested: the caller waits no more
    std::optional<std::stop_callback<std::function<void()>>> stopWaking_;
    bool holding_ = false;
    std::string consumerScratch_;
};

PosixFolderWalk::Impl::Entered
PosixFolderWalk::Impl::enterFolder(const std::shared_ptr<const FolderListing>& parentListing,
                                   const FolderListing::Entry& entry) {
    const FolderListing& parent = *parentListing;
    const char* name = parent.cName(entry);
    struct stat st;
    st.st_dev = parent.device();
    // Only a mount point can lead to another file system; with the mount table at hand, the
    // other folders need no look before they are opened.
    const bool mayBeMount = !mounts_ || mounts_->contains(relative_);
    if (mayBeMount) {
        if (::fstatat(parent.fd(), name, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
            return errno == ENOENT ? Entered::no : Entered::unreadable;
        }
        if (!S_ISDIR(st.st_mode)) {
            return Entered::no;
        }
    }
    if (st.st_dev != parent.device()) {
        // Another file system: look at it without opening it for reading first (an
        // automount point would mount on open).
        FileDescriptor probe(::openat(parent.fd(), name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
        if (!probe) {
            return errno == ENOENT || errno == ELOOP ? Entered::no : Entered::unreadable;
        }
        struct statfs fs;
        if (::fstatfs(probe.get(), &fs) != 0) {
            return Entered::unreadable;
        }
        if (!WalkPolicy::entersFileSystem(fs.f_type)) {
            return Entered::no;
        }
    }
    FileDescriptor fd(::openat(parent.fd(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        // Gone, or no folder any more (replaced by a link or a file meanwhile): nothing to walk.
        return errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? Entered::no
                                                                     : Entered::unreadable;
    }
    if (::fstat(fd.get(), &st) != 0) {
        return Entered::unreadable;
    }
    const bool xattrs = st.st_dev == parent.device()
                            ? parent.xattrs()
                            : recognizer_.xattrsSupported(fd.get(), st.st_dev);
    // The Mac archives around it: what identifies their tops, no descriptor (the tops are
    // reached through ".." when an entry asks for them).
    const Frame& parentFrame = stack_.back();
    std::vector<ArchiveRoot> archiveRoots = ArchiveRoots::ofSubfolder(
        parent.archiveRoots(), parent.holdsMacArchiveFolder(), parentFrame.device,
        parentFrame.inode, {name, entry.nameLength}, st.st_dev);
    // The read-ahead may have listed it already, while it was as it is now.
    const std::shared_ptr<FolderListing> listed =
        readAhead_ ? readAhead_->take(relative_, st) : nullptr;
    std::shared_ptr<FolderListing> listing =
        makeListing(fd.release(), st.st_dev, xattrs, std::move(archiveRoots), listed.get());
    const bool readable = listing->readable();
    stack_.push_back(Frame{std::move(listing), 0, relative_.size(),
                           std::string(name, entry.nameLength), st.st_dev, st.st_ino});
    if (readAhead_) {
        readAhead_->entered(stack_.back().listing, relative_,
                            produced_.load(std::memory_order_relaxed));
    }
    return readable ? Entered::yes : Entered::unreadable;
}

// Closes the descriptors of folders on the current path that nobody but the walk holds,
// the outermost first, until one more folder may be opened. The walked folder and the
// innermost one stay open. Each folder is looked at once on the way down: those before
// `closeFrom_` are closed already.
bool PosixFolderWalk::Impl::makeRoomForFolder() {
    while (openFds_.load() >= fdLimit_ && closeFrom_ + 1 < stack_.size()) {
        const std::shared_ptr<FolderListing>& listing = stack_[closeFrom_].listing;
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
    return openFds_.load() < fdLimit_;
}

// Leaves the innermost folder, done with. If the folder it returns to was closed, the one
// left (or the one left before it) is kept open for the way back up.
void PosixFolderWalk::Impl::leaveFolder() {
    std::shared_ptr<FolderListing> left = std::move(stack_.back().listing);
    stack_.pop_back();
    if (left->fd() >= 0) {
        climbFrom_ = std::move(left);
        climb_ = 1;
    } else if (climbFrom_) {
        ++climb_;
    }
    if (stack_.empty() || stack_.back().listing->fd() >= 0) {
        climbFrom_.reset();
    }
    closeFrom_ =
        std::clamp<std::size_t>(closeFrom_, 1, std::max<std::size_t>(stack_.size(), 2) - 1);
}

void PosixFolderWalk::Impl::adoptDescriptor(std::size_t index, FileDescriptor fd) {
    stack_[index].listing->adopt(fd.release());
    openFds_.fetch_add(1);
    closeFrom_ = std::min(closeFrom_, std::max<std::size_t>(index, 1));
}

// Opens the innermost folder of the stack again: through ".." from the folder left last when
// there is one (exactly the folder that was entered, as if its descriptor had stayed open;
// once per level, whatever the depth), otherwise (or when it was moved meanwhile) by name.
bool PosixFolderWalk::Impl::reopenInnermost() {
    const std::size_t index = stack_.size() - 1;
    const Frame& frame = stack_[index];
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

// Opens the folder of stack_[index] again, name by name from the deepest ancestor that is
// still open, and only if every folder on the way is still the one that was entered.
bool PosixFolderWalk::Impl::reopenByName(std::size_t index) {
    std::size_t open = index;
    while (open > 0 && stack_[open].listing->fd() < 0) {
        --open;
    }
    FileDescriptor current;
    int at = stack_[open].listing->fd();
    for (std::size_t i = open + 1; i <= index; ++i) {
        FileDescriptor next(
            ::openat(at, stack_[i].name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        foldersOpened_.fetch_add(1, std::memory_order_relaxed);
        struct stat st;
        if (!next || ::fstat(next.get(), &st) != 0 || st.st_dev != stack_[i].device ||
            st.st_ino != stack_[i].inode) {
            return false;
        }
        current = std::move(next);
        at = current.get();
    }
    adoptDescriptor(index, std::move(current));
    return true;
}

void PosixFolderWalk::Impl::publish(Slot& slot, std::size_t at) {
    // An entry already answered is done as it is handed out: no helper will say so, so the
    // lister wakes a caller that waits for it.
    const bool answered = (slot.unreadable && !slot.folder) || slot.answered;
    slot.state.store(stateOf(at, answered ? done : pending), std::memory_order_release);
    produced_.store(at + 1, std::memory_order_release);
    if (answered) {
        wakeConsumer(at);
    }
}

// One more entry into the ring. `mustProduce`: nothing else holds a folder the walk could
// close (waiting would be forever), so a folder that finds no descriptor free within the
// walk's share opens beyond it, and one that can't be opened at all is an unreadable folder.
PosixFolderWalk::Impl::Produced PosixFolderWalk::Impl::produceOne(bool mustProduce) {
    while (!stack_.empty()) {
        Frame& frame = stack_.back();
        if (frame.next == frame.listing->size()) {
            leaveFolder();
            continue;
        }
        const std::size_t at = produced_.load(std::memory_order_relaxed);
        Slot& slot = ring_[at % ringSize];
        if (frame.listing->fd() < 0) {
            // Climbing from the folder left needs no more descriptors than are open already.
            const bool climbs = climbFrom_ && climbFrom_->fd() >= 0 && climbFrom_.use_count() == 1;
            if (!climbs && openFds_.load() + 1 >= fdLimit_ && !makeRoomForFolder() &&
                !mustProduce) {
                return Produced::blocked;
            }
            if (!reopenInnermost()) {
                // Moved or replaced since it was entered, or no descriptor to be had: what is
                // left of it can't be walked. The folder is handed out once more, as one that
                // could not be read.
                slot.relative.assign(relative_, 0, frame.relativeLength);
                slot.folder.reset();
                slot.type = DT_DIR;
                slot.unreadable = true;
                slot.result = TypeIds::folder;
                leaveFolder();
                publish(slot, at);
                return Produced::entry;
            }
        }
        const FolderListing& listing = *frame.listing;
        const FolderListing::Entry& entry = listing.entry(frame.next);
        const bool mayBeFolder = entry.type == DT_DIR || entry.type == DT_UNKNOWN;
        if (mayBeFolder && openFds_.load() >= fdLimit_ && !makeRoomForFolder() && !mustProduce) {
            return Produced::blocked;
        }
        const std::size_t index = frame.next++;
        relative_.resize(frame.relativeLength);
        if (!relative_.empty()) {
            relative_.push_back('/');
        }
        relative_.append(listing.name(entry));

        unsigned char type = entry.type;
        if (type == DT_UNKNOWN) {
            struct stat st;
            if (::fstatat(listing.fd(), listing.cName(entry), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(st.st_mode)) {
                type = DT_DIR;
            }
        }

        slot.relative.assign(relative_);
        slot.folder = frame.listing;
        slot.index = static_cast<std::uint32_t>(index);
        slot.type = type;
        slot.unreadable = false;
        const std::vector<std::uint8_t>& answers = listing.answers();
        slot.answered = index < answers.size();
        if (slot.answered) {
            slot.result = TypeIds::fromCode(answers[index]);
        } else {
            slot.result = ReadFailure::gone();
        }
        // The metadata folders of netatalk and of unpacked Mac zip archives hold AppleDouble
        // files, never aliases: they are read as carriers, not walked.
        if (type == DT_DIR && !WalkPolicy::isMetadataFolder(listing.name(entry))) {
            // `frame` may dangle from here on (the listing itself stays where it is).
            slot.unreadable = enterFolder(slot.folder, entry) == Entered::unreadable;
        }
        publish(slot, at);
        return Produced::entry;
    }
    return Produced::finished;
}

ReadResult<std::string_view> PosixFolderWalk::Impl::classify(const Slot& slot,
                                                             const char* path) const {
    const FolderListing& listing = *slot.folder;
    const FolderListing::Entry& entry = listing.entry(slot.index);
    AliasRecognizer::Entry question;
    question.folderFd = listing.fd();
    question.name = listing.name(entry);
    question.type = slot.type;
    question.path = path;
    question.listing = &listing;
    question.xattrs = listing.xattrs();
    return recognizer_.typeIdentifier(question);
}

// On a thread of the read-ahead, with the folder open: answers as classify() would, in order.
void PosixFolderWalk::Impl::examineAhead(FolderListing& listing) const {
    std::vector<std::uint8_t> answers(listing.size());
    for (std::size_t i = 0; i < listing.size(); ++i) {
        if (stop_.load(std::memory_order_relaxed)) {
            return; // the walk is closing: no answers
        }
        const FolderListing::Entry& entry = listing.entry(i);
        AliasRecognizer::Entry question;
        question.folderFd = listing.fd();
        question.name = listing.name(entry);
        question.type = entry.type;
        question.listing = &listing;
        question.xattrs = listing.xattrs();
        const ReadResult<std::string_view> answer = recognizer_.typeIdentifier(question);
        answers[i] = TypeIds::code(answer);
    }
    listing.setAnswers(std::move(answers));
}

bool PosixFolderWalk::Impl::classifyOne(std::size_t& from, WorkingFolder& folder,
                                        std::string& scratch) {
    // Every entry before the hint has been claimed already: no need to look at them again.
    from = std::max({from, consumed_.load(), claimedBefore_.load(std::memory_order_relaxed)});
    const std::size_t end = produced_.load(std::memory_order_acquire);
    while (from < end) {
        std::size_t at = from++;
        Slot* slot = &ring_[at % ringSize];
        std::uint64_t expected = stateOf(at, pending);
        // A plain look first: a failed exchange would still take the slot's cache line away
        // from whoever works on it.
        if (slot->state.load(std::memory_order_relaxed) != expected ||
            !slot->state.compare_exchange_strong(expected, stateOf(at, claimed),
                                                 std::memory_order_acq_rel)) {
            continue;
        }
        // Takes the run of entries of the same folder after it too: one change of working
        // folder for all of them. (A slot's fields are only looked at once it is claimed.)
        const FolderListing* const listing = slot->folder.get();
        for (;;) {
            const bool sameFolder = slot->folder.get() == listing;
            slot->result = classify(
                *slot, folder.pathOf(slot->folder, slot->folder->entry(slot->index), scratch));
            slot->state.store(stateOf(at, done), std::memory_order_release);
            wakeConsumer(at);
            if (!sameFolder || at + 1 >= end || at + 1 - from >= runLength) {
                break;
            }
            Slot& following = ring_[(at + 1) % ringSize];
            expected = stateOf(at + 1, pending);
            if (!following.state.compare_exchange_strong(expected, stateOf(at + 1, claimed),
                                                         std::memory_order_acq_rel)) {
                break;
            }
            slot = &following;
            ++at;
        }
        from = at + 1;
        std::size_t hint = claimedBefore_.load(std::memory_order_relaxed);
        while (hint < from &&
               !claimedBefore_.compare_exchange_weak(hint, from, std::memory_order_relaxed)) {
        }
        return true;
    }
    return false;
}

// Each waiting side sets its flag and then looks at the counters; each waking side changes
// the counters and then looks at the flag. The fences keep either from missing the other.
void PosixFolderWalk::Impl::wakeConsumer(std::size_t completed) {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (consumerWaiting_.load() &&
        (consumerWaitsFor_.load() == completed || consumerWaitsUntil_.load() == completed)) {
        { std::lock_guard lock(consumerMutex_); }
        consumerCv_.notify_one();
    }
}

void PosixFolderWalk::Impl::wakeLister() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (listerWaiting_.load() && consumed_.load() >= listerWakeAt_.load()) {
        { std::lock_guard lock(listerMutex_); }
        listerCv_.notify_one();
    }
}

// One helper at a time: a helper that finds the disk slow wakes the next (see runHelper), so a
// tree in memory keeps few of them busy and a cold one soon has them all asking the disk.
void PosixFolderWalk::Impl::wakeHelper() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (helpersWaiting_.load() > 0 && produced_.load() >= helperWakeAt_.load()) {
        { std::lock_guard lock(helperMutex_); }
        helperCv_.notify_one();
    }
}

void PosixFolderWalk::Impl::finish() {
    finished_.store(true);
    { std::lock_guard lock(consumerMutex_); }
    { std::lock_guard lock(helperMutex_); }
    consumerCv_.notify_all();
    helperCv_.notify_all();
}

void PosixFolderWalk::Impl::releaseConsumed(std::size_t upTo) {
    // Only the lister fills slots, so `produced_` is exact here; a slot whose entry has been
    // followed by a newer one already dropped the old folder and must keep the new one.
    const std::size_t produced = produced_.load(std::memory_order_relaxed);
    for (; released_ < upTo; ++released_) {
        if (released_ + ringSize >= produced) {
            ring_[released_ % ringSize].folder.reset();
        }
    }
}

// Lists the tree into the ring as far ahead as the ring and the open folders allow, and
// classifies what the helpers have not taken yet.
void PosixFolderWalk::Impl::runLister() {
    WorkingFolder folder(recognizer_.xattrsByDescriptor());
    std::string scratch;
    std::size_t cursor = 0;
    while (!stop_.load()) {
        const std::size_t seen = consumed_.load();
        releaseConsumed(seen);
        std::size_t inRing = produced_.load(std::memory_order_relaxed) - seen;
        bool progressed = false;
        bool unanswered = false; // entries for the helpers were listed
        for (int i = 0; i < 256 && !finished_.load(std::memory_order_relaxed); ++i) {
            inRing = produced_.load(std::memory_order_relaxed) - consumed_.load();
            if (inRing >= ringSize || listings_.load() > stack_.size() + spare_) {
                break;
            }
            Produced produced = produceOne(false);
            if (produced == Produced::blocked) {
                // The entries taken since may hold the folders whose descriptors could go, and
                // so may this thread.
                folder.leave();
                releaseConsumed(consumed_.load());
                produced = produceOne(false);
            }
            if (produced == Produced::blocked &&
                produced_.load(std::memory_order_relaxed) == consumed_.load()) {
                // Nothing left in the ring: nobody is going to let go of a folder.
                produced = produceOne(true);
            }
            if (produced == Produced::finished) {
                finish();
                break;
            }
            if (produced == Produced::blocked) {
                break;
            }
            progressed = true;
            unanswered =
                unanswered ||
                !ring_[(produced_.load(std::memory_order_relaxed) - 1) % ringSize].answered;
        }
        if (unanswered) {
            wakeHelper();
        }
        for (int i = 0; i < 4 && classifyOne(cursor, folder, scratch); ++i) {
            progressed = true;
        }
        if (progressed) {
            continue;
        }
        if (finished_.load()) {
            return; // everything is listed and claimed
        }
        // All listed entries are claimed and no more may be listed (for want of room in the
        // ring or of descriptors, which the entries in the ring hold): sleep until the caller
        // has taken half of them (it can take them all without the lister).
        folder.leave();
        std::unique_lock lock(listerMutex_);
        listerWakeAt_.store(seen + std::max<std::size_t>(1, inRing / 2));
        listerWaiting_.store(true);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        listerCv_.wait(lock,
                       [&] { return stop_.load() || consumed_.load() >= listerWakeAt_.load(); });
        listerWaiting_.store(false);
    }
}

// Classifies listed entries on the second core.
void PosixFolderWalk::Impl::runHelper() {
    WorkingFolder folder(recognizer_.xattrsByDescriptor());
    std::string scratch;
    std::size_t cursor = 0;
    long waits = threadWaitsSoFar();
    while (!stop_.load()) {
        const auto started = std::chrono::steady_clock::now();
        if (classifyOne(cursor, folder, scratch)) {
            // A run that took long may have waited for the disk (or only for a core): if it
            // did, another helper can ask for more meanwhile.
            if (std::chrono::steady_clock::now() - started > slowRun) {
                const long now = threadWaitsSoFar();
                if (now != waits) {
                    wakeHelper();
                }
                waits = now;
            }
            continue;
        }
        if (finished_.load()) {
            return;
        }
        folder.leave();
        std::unique_lock lock(helperMutex_);
        helperWakeAt_.store(produced_.load() + helperBatch);
        helpersWaiting_.fetch_add(1);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        helperCv_.wait(lock, [&] {
            return stop_.load() || finished_.load() || produced_.load() >= helperWakeAt_.load();
        });
        helpersWaiting_.fetch_sub(1);
        waits = threadWaitsSoFar(); // the sleep itself was no wait for the disk
    }
}

void PosixFolderWalk::Impl::stopThreads() {
    stop_.store(true);
    if (readAhead_) {
        readAhead_->stop(); // the lister may wait for one of its threads
    }
    { std::lock_guard lock(listerMutex_); }
    { std::lock_guard lock(helperMutex_); }
    listerCv_.notify_all();
    helperCv_.notify_all();
    if (lister_.joinable()) {
        lister_.join();
    }
    for (std::thread& helper : helpers_) {
        helper.join();
    }
}

bool PosixFolderWalk::Impl::next(WalkEntry& out) {
    if (holding_) {
        if (!threaded()) {
            ring_[consumed_.load(std::memory_order_relaxed) % ringSize].folder.reset();
        }
        consumed_.fetch_add(1);
        holding_ = false;
        wakeLister();
    }
    const std::size_t at = consumed_.load(std::memory_order_relaxed);
    Slot& slot = ring_[at % ringSize];
    if (!threaded()) {
        // No look-ahead: list and classify on the caller's thread, with absolute paths.
        if (produced_.load(std::memory_order_relaxed) == at) {
            // Nothing but the walk holds a folder here: it never waits for one.
            if (produceOne(true) == Produced::finished) {
                finished_.store(true);
                return false;
            }
        }
        if (slot.folder) {
            const FolderListing& listing = *slot.folder;
            slot.result = classify(
                slot, recognizer_.xattrsByDescriptor()
                          ? nullptr
                          : descriptorPath(listing.fd(), listing.cName(listing.entry(slot.index)),
                                           consumerScratch_));
        }
        slot.state.store(stateOf(at, done), std::memory_order_relaxed);
    } else {
        auto ready = [&](std::size_t index) {
            return (produced_.load(std::memory_order_acquire) > index &&
                    ring_[index % ringSize].state.load(std::memory_order_acquire) ==
                        stateOf(index, done)) ||
                   (finished_.load() && produced_.load() <= index);
        };
        for (int spin = 0; spin < spinLimit && !ready(at); ++spin) {
            pause();
        }
        if (!ready(at)) {
            // Sleep until this entry and a batch after it are classified: one wake-up per
            // batch rather than per entry. Both are listed already, so both will be done.
            const std::size_t listed = produced_.load(std::memory_order_acquire);
            const std::size_t until = listed > at ? std::min(at + consumerBatch, listed - 1) : at;
            std::unique_lock lock(consumerMutex_);
            consumerWaitsFor_.store(at);
            consumerWaitsUntil_.store(until);
            consumerWaiting_.store(true);
            std::atomic_thread_fence(std::memory_order_seq_cst);
            consumerCv_.wait(lock, [&] { return stopped_.load() || (ready(at) && ready(until)); });
            consumerWaiting_.store(false);
            if (!ready(at)) {
                return false; // stopped: the walk ends here
            }
        }
        if (produced_.load(std::memory_order_acquire) == at) {
            return false;
        }
    }
    holding_ = true;
    out.relativePath = slot.relative;
    out.typeKnown = true;
    out.type = slot.result;
    out.unreadableFolder = slot.unreadable;
    if (slot.folder) {
        const FolderListing& listing = *slot.folder;
        out.folderFd = listing.fd();
        out.folder = &listing;
        out.name = listing.name(listing.entry(slot.index));
    } else {
        out.folderFd = -1;
        out.folder = nullptr;
        const std::size_t slash = slot.relative.rfind('/');
        out.name =
            std::string_view(slot.relative).substr(slash == std::string::npos ? 0 : slash + 1);
    }
    return true;
}

PosixFolderWalk::PosixFolderWalk(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PosixFolderWalk::~PosixFolderWalk() = default;

std::unique_ptr<PosixFolderWalk> PosixFolderWalk::open(const std::string& folderPath,
                                                       const AliasRecognizer& recognizer,
                                                       const MountTable* mountTable, bool lookAhead,
                                                       std::size_t threads) {
    const std::string path = withoutTrailingSlashes(folderPath);
    if (path.empty()) {
        return nullptr;
    }
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!fd) {
        return nullptr;
    }
    struct stat st;
    struct statfs fs;
    if (::fstat(fd.get(), &st) != 0 || ::fstatfs(fd.get(), &fs) != 0) {
        return nullptr;
    }
    auto impl = std::make_unique<Impl>(recognizer);
    impl->mounts_ = mountTable ? MountPoints::below(path, *mountTable)
                               : MountPoints::below(path, MountTable::readSystem());
    std::shared_ptr<FolderListing> root;
    if (WalkPolicy::entersFileSystem(
            fs.f_type)) { // a folder of the kernel's: nothing in it is a file
        const bool xattrs = recognizer.xattrsSupported(fd.get(), st.st_dev);
        // The walk may start inside an unpacked Mac archive, below the folder that holds its
        // `__MACOSX`: its entries' AppleDouble files are there all the same.
        std::vector<ArchiveRoot> roots = ArchiveRoots::above(fd.get(), path);
        root = impl->makeListing(fd.release(), st.st_dev, xattrs, std::move(roots));
    }
    impl->start(std::move(root), st, lookAhead, threads);
    return std::unique_ptr<PosixFolderWalk>(new PosixFolderWalk(std::move(impl)));
}

bool PosixFolderWalk::next(WalkEntry& entry) {
    return impl_->next(entry);
}

void PosixFolderWalk::stopOn(std::stop_token stop) {
    impl_->stopOn(std::move(stop));
}

std::size_t PosixFolderWalk::foldersOpened() const {
    return impl_->foldersOpened();
}

} // namespace korvex
