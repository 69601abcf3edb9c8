#include "PosixFolderWalk.h"

#include "AliasRecognizer.h"
#include "ArchiveRoots.h"
#include "EntryRing.h"
#include "FileDescriptor.h"
#include "FileUrl.h"
#include "FolderListing.h"
#include "FolderStack.h"
#include "MountPoints.h"
#include "MountTable.h"
#include "PathText.h"
#include "TextCatalog.h"
#include "ThreadStart.h"
#include "ThreadWaits.h"
#include "TreeReadAhead.h"
#include "WalkPolicy.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fcntl.h>
#include <functional>
#include <sched.h>
#include <stop_token>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace korvex {

namespace {

/// Finished folders the look-ahead may keep open beyond those on the current path (with a
/// pool of threads, up to three quarters of the walk's descriptors).
constexpr std::size_t spareFolders = 64;
/// A run that takes longer than this may have waited for the disk (from memory, a run takes
/// a few microseconds an entry).
constexpr std::chrono::microseconds slowRun{100};

/// Folders opened in a window of the walk's reads from the disk (see diskIsSlow).
constexpr std::size_t readWindow = 64;

/// For tests: every folder the lister opens counts as one it read from the disk.
std::atomic<bool> countEveryListing{false};

/// Folder descriptors the walk cannot do with fewer of (the walked folder, the innermost,
/// the one climbed from, and those entries in the ring hold).
constexpr std::size_t leastFolderDescriptors = 8;

using Slot = EntryRing::Slot;

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
        : recognizer_(recognizer), folders_(WalkPolicy::folderDescriptors(leastFolderDescriptors)) {
    }

    ~Impl() {
        stopWaking_.reset(); // it uses the read-ahead and the caller's wait
        stopThreads();       // they use the read-ahead
        readAhead_.reset();
        folders_.clear();
        // The ring's slots, and with them the last listings, go before the stack.
    }

    void start(std::shared_ptr<FolderListing> root, const struct stat& st, bool lookAhead,
               std::size_t threads, std::size_t poolAfterReads) {
        if (root) {
            folders_.push(FolderStack::Frame{std::move(root), 0, 0, {}, st.st_dev, st.st_ino});
        } else {
            ring_.finish();
        }
        bool refused = false;
        if (lookAhead && threads > 1 && !ring_.finished()) {
            // The pool examines the entries of the folders it lists, when that needs no working
            // folder: each folder is then read, and its entries looked at, by one thread while
            // it is open, many folders at once (far fewer hand-overs between threads).
            TreeReadAhead::Examine examine;
            if (recognizer_.xattrsByDescriptor()) {
                examine = [this](FolderListing& listing) { examineAhead(listing); };
            }
            poolThreads_ = std::min(threads, maxThreads);
            poolAfterReads_ = poolAfterReads;
            readAhead_ =
                std::make_unique<TreeReadAhead>(0, folders_.descriptorLimit(), std::move(examine));
            if (poolAfterReads == 0) {
                refused = !startPool();
            }
        }
        if (lookAhead && !ring_.finished()) {
            // Without a pool, one helper on a second core; with one, as many helpers as it
            // has threads, so that the disk sees their requests at once.
            const std::size_t helpers =
                pooled_ ? poolThreads_ : (std::thread::hardware_concurrency() > 1 ? 1 : 0);
            // When the system gives fewer threads: the lister before the pool (whose threads
            // go to make room for it), then fewer helpers (the lister classifies too); without
            // a lister the walk is the caller's alone.
            bool lister = ThreadStart::start(lister_, [this] { runLister(); });
            if (!lister && readAhead_) {
                refused = true;
                readAhead_.reset();
                pooled_ = false;
                poolThreads_ = 0;
                spare_ = spareFolders;
                lister = ThreadStart::start(lister_, [this] { runLister(); });
            }
            if (lister) {
                refused = !startHelpers(helpers) || refused;
            } else {
                refused = true;
            }
        }
        if (refused) {
            tellShortage();
        }
        started_.store(true, std::memory_order_release);
    }

    /// From now on a stop requested through `stop` wakes the caller's wait in `next`, which
    /// then ends the walk, and stops the reading ahead.
    void stopOn(std::stop_token stop) {
        stopWaking_.emplace(std::move(stop), [this] {
            ring_.stopWaiting();
            if (readAhead_) {
                readAhead_->stop();
            }
        });
    }

    std::shared_ptr<FolderListing> makeListing(int fd, dev_t device, bool xattrs,
                                               std::vector<ArchiveRoot> archiveRoots = {}) {
        return folders_.makeListing(fd, device, xattrs, std::move(archiveRoots));
    }

    bool next(WalkEntry& entry);

    std::size_t foldersOpened() const { return folders_.foldersOpened(); }

    std::optional<MountPoints> mounts_; ///< below the folder; none: look at every folder

private:
    enum class Produced { entry, blocked, finished };
    enum class Entered { yes, no, unreadable };

    Produced produceOne(bool mustProduce);
    Entered enterFolder(const std::shared_ptr<const FolderListing>& parentListing,
                        const FolderListing::Entry& entry);
    /// A folder that can't be walked, and why (kept for the slot that hands it out).
    Entered unreadable(int error) {
        enterError_ = error;
        return Entered::unreadable;
    }
    ReadResult<std::string_view> classify(const Slot& slot, const char* path) const;
    void examineAhead(FolderListing& listing) const;
    void runLister();
    void runHelper();
    bool startPool();
    bool startHelpers(std::size_t count);
    void tellShortage() const;
    void noteListerReads();
    bool diskIsSlow();
    void stopThreads();
    bool threaded() const { return lister_.joinable(); }

    const AliasRecognizer& recognizer_;

    // The walk's own state: touched only by the listing thread (the lister, or the caller when
    // there is no look-ahead). The stack's counters are shared (see FolderStack).
    FolderStack folders_;
    std::string relative_;
    int enterError_ = 0; ///< the errno of the last folder that couldn't be entered

    // Declared after the stack: the listings its slots hold go first.
    EntryRing ring_;
    std::thread lister_;
    std::vector<std::thread> helpers_;
    std::size_t spare_ = spareFolders;
    // The pool: made with the walk, its threads started once the walk's threads have read
    // from the disk `poolAfterReads_` times within a window of folders (a tree in memory gains
    // nothing from it, and two cores lose to the hand-overs between many threads). Only the
    // lister starts it.
    std::unique_ptr<TreeReadAhead> readAhead_;
    std::size_t poolThreads_ = 0; ///< the threads it is to have; 0: no pool
    std::size_t poolAfterReads_ = 0;
    bool pooled_ = false;         ///< its threads are started (the lister's, before: the caller's)
    long listerReads_ = 0;        ///< the disk reads the lister had made at its last look
    std::size_t windowStart_ = 0; ///< folders opened when the window began
    std::size_t windowReads_ = 0; ///< reads seen when it began
    /// Folders listed and runs of entries classified that read from the disk.
    std::atomic<std::size_t> diskReads_{0};
    std::atomic<bool> started_{false}; ///< the caller is done with `start`
    std::optional<std::stop_callback<std::function<void()>>> stopWaking_;
    bool holding_ = false; ///< the caller holds the entry at ring_.consumed()
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
            return errno == ENOENT ? Entered::no : unreadable(errno);
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
            return errno == ENOENT || errno == ELOOP ? Entered::no : unreadable(errno);
        }
        struct statfs fs;
        if (::fstatfs(probe.get(), &fs) != 0) {
            return unreadable(errno);
        }
        if (!WalkPolicy::entersFileSystem(fs.f_type)) {
            return Entered::no;
        }
    }
    const auto opening = std::chrono::steady_clock::now();
    FileDescriptor fd(::openat(parent.fd(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) {
        // Gone, or no folder any more (replaced by a link or a file meanwhile): nothing to walk.
        return errno == ENOENT || errno == ELOOP || errno == ENOTDIR ? Entered::no
                                                                     : unreadable(errno);
    }
    if (::fstat(fd.get(), &st) != 0) {
        return unreadable(errno);
    }
    const bool xattrs = st.st_dev == parent.device()
                            ? parent.xattrs()
                            : recognizer_.xattrsSupported(fd.get(), st.st_dev);
    // The Mac archives around it: what identifies their tops, no descriptor (the tops are
    // reached through ".." when an entry asks for them).
    const FolderStack::Frame& parentFrame = folders_.innermost();
    std::vector<ArchiveRoot> archiveRoots = ArchiveRoots::ofSubfolder(
        parent.archiveRoots(), parent.holdsMacArchiveFolder(), parentFrame.device,
        parentFrame.inode, {name, entry.nameLength}, st.st_dev);
    // The read-ahead may have listed it already, while it was as it is now.
    const std::shared_ptr<FolderListing> listed =
        pooled_ ? readAhead_->take(relative_, st) : nullptr;
    std::shared_ptr<FolderListing> listing = folders_.makeListing(
        fd.release(), st.st_dev, xattrs, std::move(archiveRoots), listed.get());
    if (poolThreads_ != 0 && !pooled_ &&
        (std::chrono::steady_clock::now() - opening > slowRun || countEveryListing.load())) {
        noteListerReads(); // read from the disk, or only slowed by a busy machine?
    }
    const int listingError = listing->error();
    folders_.push(FolderStack::Frame{std::move(listing), 0, relative_.size(),
                                     std::string(name, entry.nameLength), st.st_dev, st.st_ino});
    if (pooled_) {
        readAhead_->entered(folders_.innermost().listing, relative_, ring_.produced());
    }
    return listingError == 0 ? Entered::yes : unreadable(listingError);
}

// One more entry into the ring. `mustProduce`: nothing else holds a folder the walk could
// close (waiting would be forever), so a folder that finds no descriptor free within the
// walk's share opens beyond it, and one that can't be opened at all is an unreadable folder.
PosixFolderWalk::Impl::Produced PosixFolderWalk::Impl::produceOne(bool mustProduce) {
    while (!folders_.empty()) {
        FolderStack::Frame& frame = folders_.innermost();
        if (frame.next == frame.listing->size()) {
            folders_.leave();
            continue;
        }
        Slot& slot = ring_.slotToFill();
        if (frame.listing->fd() < 0) {
            // Climbing from the folder left needs no more descriptors than are open already.
            if (!folders_.canClimb() &&
                folders_.openDescriptors() + 1 >= folders_.descriptorLimit() &&
                !folders_.makeRoom() && !mustProduce) {
                return Produced::blocked;
            }
            if (!folders_.reopenInnermost()) {
                // Moved or replaced since it was entered, or no descriptor to be had: what is
                // left of it can't be walked. The folder is handed out once more, as one that
                // could not be read.
                slot.relative.assign(relative_, 0, frame.relativeLength);
                slot.folder.reset();
                slot.type = DT_DIR;
                slot.unreadable = true;
                slot.error = 0; // moved, replaced or no descriptor: which one isn't known here
                slot.result = TypeIds::folder;
                folders_.leave();
                ring_.publish();
                return Produced::entry;
            }
        }
        const FolderListing& listing = *frame.listing;
        const FolderListing::Entry& entry = listing.entry(frame.next);
        const bool mayBeFolder = entry.type == DT_DIR || entry.type == DT_UNKNOWN;
        if (mayBeFolder && folders_.openDescriptors() >= folders_.descriptorLimit() &&
            !folders_.makeRoom() && !mustProduce) {
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
            slot.error = enterError_;
        }
        ring_.publish();
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
        if (ring_.stopping()) {
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

// Lists the tree into the ring as far ahead as the ring and the open folders allow, and
// classifies what the helpers have not taken yet.
void PosixFolderWalk::Impl::runLister() {
    WorkingFolder folder(recognizer_.xattrsByDescriptor());
    std::string scratch;
    std::size_t cursor = 0;
    auto classify = [&](Slot& slot) {
        slot.result = this->classify(
            slot, folder.pathOf(slot.folder, slot.folder->entry(slot.index), scratch));
    };
    listerReads_ = ThreadWaits::now().diskReads;
    while (!ring_.stopping()) {
        // (Not before the caller has started the first threads: the lister starts the others.)
        if (poolThreads_ != 0 && !pooled_ && started_.load(std::memory_order_acquire) &&
            diskIsSlow()) {
            // The tree is not in memory: the disk gets many requests at once from here on.
            if (!startPool() || !startHelpers(poolThreads_ - helpers_.size())) {
                tellShortage();
            }
        }
        const std::size_t seen = ring_.consumed();
        ring_.releaseConsumed(seen);
        std::size_t inRing = ring_.produced() - seen;
        bool progressed = false;
        bool unanswered = false; // entries for the helpers were listed
        for (int i = 0; i < 256 && !ring_.finished(); ++i) {
            inRing = ring_.produced() - ring_.consumed();
            if (inRing >= EntryRing::capacity || folders_.listings() > folders_.size() + spare_) {
                break;
            }
            Produced produced = produceOne(false);
            if (produced == Produced::blocked) {
                // The entries taken since may hold the folders whose descriptors could go, and
                // so may this thread.
                folder.leave();
                ring_.releaseConsumed(ring_.consumed());
                produced = produceOne(false);
            }
            if (produced == Produced::blocked && ring_.produced() == ring_.consumed()) {
                // Nothing left in the ring: nobody is going to let go of a folder.
                produced = produceOne(true);
            }
            if (produced == Produced::finished) {
                ring_.finish();
                break;
            }
            if (produced == Produced::blocked) {
                break;
            }
            progressed = true;
            unanswered = unanswered || !ring_.lastAnswered();
        }
        if (unanswered) {
            ring_.wakeHelper();
        }
        for (int i = 0; i < 4 && ring_.classifyRun(cursor, classify); ++i) {
            progressed = true;
        }
        if (progressed) {
            continue;
        }
        if (ring_.finished()) {
            return; // everything is listed and claimed
        }
        // All listed entries are claimed and no more may be listed (for want of room in the
        // ring or of descriptors, which the entries in the ring hold): sleep until the caller
        // has taken half of them (it can take them all without the lister).
        folder.leave();
        ring_.sleepProducer(seen, inRing);
    }
}

// Classifies listed entries on another core.
void PosixFolderWalk::Impl::runHelper() {
    WorkingFolder folder(recognizer_.xattrsByDescriptor());
    std::string scratch;
    std::size_t cursor = 0;
    auto classify = [&](Slot& slot) {
        slot.result = this->classify(
            slot, folder.pathOf(slot.folder, slot.folder->entry(slot.index), scratch));
    };
    ThreadWaits waits = ThreadWaits::now();
    while (!ring_.stopping()) {
        const auto started = std::chrono::steady_clock::now();
        if (ring_.classifyRun(cursor, classify)) {
            // A run that took long may have waited for the disk (or only for a core): if it
            // did, another helper can ask for more meanwhile.
            if (std::chrono::steady_clock::now() - started > slowRun) {
                const ThreadWaits now = ThreadWaits::now();
                if (now.diskReads != waits.diskReads) {
                    diskReads_.fetch_add(1);
                }
                if (now.waits != waits.waits) {
                    ring_.wakeHelper();
                }
                waits = now;
            }
            continue;
        }
        if (ring_.finished()) {
            return;
        }
        folder.leave();
        ring_.sleepHelper();
        waits = ThreadWaits::now(); // the sleep itself was no wait for the disk
    }
}

// Starts the pool's threads, from the walk's position on. False when the system refused some.
bool PosixFolderWalk::Impl::startPool() {
    readAhead_->startThreads(poolThreads_);
    if (readAhead_->threads() == 0) {
        poolThreads_ = 0; // none given: the walk goes on without (the read-ahead stays idle)
        return false;
    }
    pooled_ = true;
    spare_ = std::max(spareFolders, folders_.descriptorLimit() * 3 / 4);
    if (!folders_.empty()) {
        const FolderStack::Frame& frame = folders_.innermost();
        readAhead_->entered(frame.listing,
                            std::string_view(relative_).substr(0, frame.relativeLength),
                            ring_.produced());
    }
    return readAhead_->threads() == poolThreads_;
}

// Starts `count` more helpers; false when the system refused one.
bool PosixFolderWalk::Impl::startHelpers(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        std::thread helper;
        if (!ThreadStart::start(helper, [this] { runHelper(); })) {
            return false;
        }
        helpers_.push_back(std::move(helper));
    }
    return true;
}

void PosixFolderWalk::Impl::tellShortage() const {
    ThreadStart::tellShortage(KORVEX_TRANSLATE_NOOP("ThreadStart", "scanning"),
                              1 + (threaded() ? 1 + helpers_.size() : 0) +
                                  (readAhead_ ? readAhead_->threads() : 0));
}

// Whether the walk's threads have read from the disk often enough, of late, for the pool to
// help: `poolAfterReads_` times within a window of folders (a tree in memory has a stray few).
bool PosixFolderWalk::Impl::diskIsSlow() {
    const std::size_t reads = diskReads_.load(std::memory_order_relaxed);
    if (reads - windowReads_ >= poolAfterReads_) {
        return true;
    }
    const std::size_t opened = folders_.foldersOpened();
    if (opened - windowStart_ >= readWindow) {
        windowStart_ = opened;
        windowReads_ = reads;
    }
    return false;
}

// A folder took long to open and list: did the lister read from the disk meanwhile?
void PosixFolderWalk::Impl::noteListerReads() {
    const long now = ThreadWaits::now().diskReads;
    if (now != listerReads_ || countEveryListing.load()) {
        diskReads_.fetch_add(1);
    }
    listerReads_ = now;
}

void PosixFolderWalk::Impl::stopThreads() {
    ring_.stop();
    if (readAhead_) {
        readAhead_->stop(); // the lister may wait for one of its threads
    }
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
            ring_.slot(ring_.consumed()).folder.reset();
        }
        ring_.release();
        holding_ = false;
    }
    Slot* taken = nullptr;
    if (!threaded()) {
        // No look-ahead: list and classify on the caller's thread, with absolute paths.
        const std::size_t at = ring_.consumed();
        if (ring_.produced() == at) {
            // Nothing but the walk holds a folder here: it never waits for one.
            if (produceOne(true) == Produced::finished) {
                ring_.finish();
                return false;
            }
        }
        taken = &ring_.slot(at);
        if (taken->folder) {
            const FolderListing& listing = *taken->folder;
            taken->result =
                classify(*taken, recognizer_.xattrsByDescriptor()
                                     ? nullptr
                                     : descriptorPath(listing.fd(),
                                                      listing.cName(listing.entry(taken->index)),
                                                      consumerScratch_));
        }
        ring_.markDone(at);
    } else {
        taken = ring_.take();
        if (!taken) {
            return false;
        }
    }
    const Slot& slot = *taken;
    holding_ = true;
    out.relativePath = slot.relative;
    out.typeKnown = true;
    out.type = slot.result;
    out.unreadableFolder = slot.unreadable;
    out.folderError = slot.unreadable ? slot.error : 0;
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
                                                       std::size_t threads,
                                                       std::size_t poolAfterReads) {
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
    impl->start(std::move(root), st, lookAhead, threads, poolAfterReads);
    return std::unique_ptr<PosixFolderWalk>(new PosixFolderWalk(std::move(impl)));
}

bool PosixFolderWalk::next(WalkEntry& entry) {
    return impl_->next(entry);
}

void PosixFolderWalk::stopOn(std::stop_token stop) {
    impl_->stopOn(std::move(stop));
}

void PosixFolderWalk::countEveryListingAsDiskRead(bool on) {
    countEveryListing.store(on);
}

std::size_t PosixFolderWalk::foldersOpened() const {
    return impl_->foldersOpened();
}

} // namespace korvex
