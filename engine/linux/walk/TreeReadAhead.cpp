#include "TreeReadAhead.h"

#include "FileDescriptor.h"
#include "FolderListing.h"
#include "ThreadStart.h"
#include "ThreadWaits.h"
#include "WalkPolicy.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

/// Names of folders listed ahead and kept for the walk (about 60 bytes each with their
/// folder's share): the read-ahead goes no further ahead while it holds this many. (A listing
/// that comes in meanwhile is kept up to twice as many.)
constexpr std::size_t keptNames = 131072;
/// Pieces of work waiting at most; beyond, the one farthest ahead is dropped.
constexpr std::size_t jobLimit = 4096;
/// A folder file this large (about 30,000 names and more) is left to the walk: listed twice,
/// its names would be in memory twice. Neither is a folder with more subfolders than this
/// looked into ahead.
constexpr off_t largeFolderBytes = 1 << 20;
constexpr std::size_t subfolderLimit = 32768;
/// When nearly all of a batch of folders were listed at memory speed, the read-ahead pauses
/// for this many entries of the walk. (A cold disk has some folders come from memory too:
/// read ahead by the kernel with their neighbours, so the bar is high.)
constexpr std::size_t cachedBatch = 256;
constexpr std::size_t cachedEnough = cachedBatch * 95 / 100;
constexpr std::size_t pause = 32768;

} // namespace

struct TreeReadAhead::Folder {
    FileDescriptor fd;
    dev_t device = 0;
    bool xattrs = true;
    std::string path;
    std::vector<std::string> subfolders; ///< in byte order
    /// Whether the entries of the subfolders may be examined ahead: none of them lies in an
    /// unpacked Mac archive, whose AppleDouble files sit in folders above them.
    bool examineBelow = false;
    std::atomic<std::size_t>* open = nullptr;

    ~Folder() {
        if (fd && open) {
            open->fetch_sub(1);
        }
    }
};

/// The descent into `folder->subfolders[next]` (and then the folders after it).
struct TreeReadAhead::Job {
    std::shared_ptr<Folder> folder;
    std::size_t next = 0;
};

TreeReadAhead::TreeReadAhead(std::size_t threads, std::size_t descriptorLimit, Examine examine)
    : descriptorLimit_(descriptorLimit), examine_(std::move(examine)) {
    startThreads(threads);
}

void TreeReadAhead::startThreads(std::size_t threads) {
    {
        std::lock_guard lock(mutex_);
        if (stop_) {
            return;
        }
    }
    threads_.reserve(threads_.size() + threads);
    for (std::size_t i = 0; i < threads; ++i) {
        std::thread thread;
        if (!ThreadStart::start(thread, [this] { run(); })) {
            break; // the system gives no more: those there are read ahead
        }
        threads_.push_back(std::move(thread));
    }
}

TreeReadAhead::~TreeReadAhead() {
    stop();
    for (std::thread& thread : threads_) {
        thread.join();
    }
}

void TreeReadAhead::stop() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_all();
    workDone_.notify_all();
}

bool TreeReadAhead::walksBefore(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (a[i] != b[i]) {
            // A name that ends here is shorter than the other one, so it comes first.
            if (a[i] == '/' || b[i] == '/') {
                return a[i] == '/';
            }
            return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
        }
    }
    return a.size() < b.size();
}

bool TreeReadAhead::mayDescend() const {
    return listedNames_ < keptNames && walked_ >= pausedUntil_;
}

bool TreeReadAhead::isBehindWalkLocked(std::string_view path) const {
    const bool walkIsInside = position_.size() >= path.size() &&
                              position_.compare(0, path.size(), path) == 0 &&
                              (position_.size() == path.size() || position_[path.size()] == '/');
    return !walkIsInside && walksBefore(path, position_);
}

void TreeReadAhead::push(Job job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
        if (jobs_.size() > jobLimit) {
            jobs_.pop_front();
        }
    }
    wake_.notify_one();
}

std::shared_ptr<TreeReadAhead::Folder> TreeReadAhead::folderFrom(const FolderListing& listing,
                                                                 int fd, std::string_view path,
                                                                 bool examineBelow) {
    std::vector<std::string> subfolders;
    for (std::size_t i = 0; i < listing.size(); ++i) {
        const FolderListing::Entry& entry = listing.entry(i);
        if ((entry.type == DT_DIR || entry.type == DT_UNKNOWN) &&
            !WalkPolicy::isMetadataFolder(listing.name(entry))) {
            subfolders.emplace_back(listing.name(entry));
            if (subfolders.size() > subfolderLimit) {
                return nullptr;
            }
        }
    }
    if (subfolders.empty() || openFolders_.load() >= descriptorLimit_) {
        return nullptr;
    }
    auto folder = std::make_shared<Folder>();
    folder->fd = FileDescriptor(::fcntl(fd, F_DUPFD_CLOEXEC, 0));
    if (!folder->fd) {
        return nullptr;
    }
    openFolders_.fetch_add(1);
    folder->open = &openFolders_;
    folder->device = listing.device();
    folder->xattrs = listing.xattrs();
    folder->path = path;
    folder->subfolders = std::move(subfolders);
    folder->examineBelow = examineBelow && WalkPolicy::examinesBelowAlone(listing);
    return folder;
}

void TreeReadAhead::entered(const std::shared_ptr<const FolderListing>& listing,
                            std::string_view relativePath, std::size_t walked) {
    bool idle = false;
    bool wake = false;
    {
        std::lock_guard lock(mutex_);
        position_.assign(relativePath);
        walked_ = walked;
        idle = jobs_.empty() && busy_ == 0;
        wake = waiting_ && mayDescend();
        waiting_ = waiting_ && !wake;
    }
    if (wake) {
        wake_.notify_one(); // the walk came near enough; that thread wakes the next
    }
    if (idle) {
        if (std::shared_ptr<Folder> folder =
                folderFrom(*listing, listing->fd(), relativePath, true)) {
            push(Job{std::move(folder), 0});
        }
    }
}

void TreeReadAhead::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stop_) {
            return;
        }
        if (jobs_.empty() || !mayDescend()) {
            waiting_ = waiting_ || !jobs_.empty();
            ++sleepers_;
            wake_.wait(lock);
            --sleepers_;
            continue;
        }
        Job job = std::move(jobs_.back());
        jobs_.pop_back();
        // The folders after it wait for the next thread; one more is woken while there is
        // work for it (threads are woken one at a time: waking all for every step of the walk
        // would cost more than the reading).
        if (job.next + 1 < job.folder->subfolders.size()) {
            jobs_.push_back(Job{job.folder, job.next + 1});
        }
        if (!jobs_.empty() && sleepers_ > 0 && mayDescend()) {
            wake_.notify_one();
        }
        ++busy_;
        lock.unlock();
        descend(job.folder, job.next);
        job = Job{};
        lock.lock();
        --busy_;
    }
}

void TreeReadAhead::descend(const std::shared_ptr<Folder>& parent, std::size_t index) {
    const std::string& name = parent->subfolders[index];
    const std::string path = parent->path.empty() ? name : parent->path + '/' + name;
    {
        std::lock_guard lock(mutex_);
        if (isBehindWalkLocked(path)) {
            return; // the walk has been there
        }
        // Listed ahead already (or being listed): the walk entering a folder above it starts
        // the descent again from there, and the folder would be read once more for every
        // folder between the two.
        if (listed_.count(path) != 0 || working_.count(path) != 0) {
            return;
        }
        working_.insert(path);
    }
    list(*parent, name, path);
    bool walkWaits = false;
    {
        std::lock_guard lock(mutex_);
        working_.erase(path);
        walkWaits = walkWaits_;
    }
    if (walkWaits) {
        workDone_.notify_all();
    }
}

void TreeReadAhead::list(const Folder& parent, const std::string& name, const std::string& path) {
    struct stat st;
    if (::fstatat(parent.fd.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0 ||
        !S_ISDIR(st.st_mode) || st.st_dev != parent.device) {
        return; // no folder, or another file system: the walk decides what to do there
    }
    if (st.st_size > largeFolderBytes) {
        return;
    }
    const long waitsBefore = threadWaitsSoFar();
    FileDescriptor fd(
        ::openat(parent.fd.get(), name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (fd) {
        auto listing =
            std::make_shared<FolderListing>(fd.release(), std::string(), st.st_dev, parent.xattrs);
        const bool cached = waitsBefore >= 0 && threadWaitsSoFar() == waitsBefore;
        {
            std::lock_guard lock(mutex_);
            cachedInBatch_ += cached ? 1 : 0;
            if (++listedInBatch_ == cachedBatch) {
                if (cachedInBatch_ >= cachedEnough) {
                    pausedUntil_ = walked_ + pause;
                }
                listedInBatch_ = 0;
                cachedInBatch_ = 0;
            }
        }
        if (std::shared_ptr<Folder> folder =
                folderFrom(*listing, listing->fd(), path, parent.examineBelow)) {
            push(Job{std::move(folder), 0});
        }
        if (examine_ && parent.examineBelow && listing->readable() && mayKeep(path, *listing)) {
            examine_(*listing);
        }
        keep(path, std::move(listing), st);
    }
}

void TreeReadAhead::keep(const std::string& path, std::shared_ptr<FolderListing> listing,
                         const struct stat& st) {
    if (!listing->readable()) {
        return; // the walk reads it itself, and says what it couldn't
    }
    listing->closeFd(); // the walk opens the folder itself; only the names are kept
    std::lock_guard lock(mutex_);
    if (!mayKeepLocked(path, *listing)) {
        return;
    }
    listedNames_ += listing->size();
    Listed& kept = listed_[path];
    if (kept.names) {
        listedNames_ -= kept.names->size();
    }
    kept = Listed{std::move(listing), st.st_dev, st.st_ino, st.st_mtim, st.st_ctim};
}

bool TreeReadAhead::mayKeep(std::string_view path, const FolderListing& listing) {
    std::lock_guard lock(mutex_);
    return mayKeepLocked(path, listing);
}

bool TreeReadAhead::mayKeepLocked(std::string_view path, const FolderListing& listing) const {
    return listedNames_ + listing.size() <= 2 * keptNames && !isBehindWalkLocked(path);
}

std::shared_ptr<FolderListing> TreeReadAhead::take(std::string_view relativePath,
                                                   const struct stat& now) {
    std::unique_lock lock(mutex_);
    // A folder being read ahead right now is waited for: reading it a second time would cost
    // more (its entries are being examined, by one thread, while the walk waits).
    if (working_.count(relativePath) != 0) {
        walkWaits_ = true;
        workDone_.wait(lock, [&] { return stop_ || working_.count(relativePath) == 0; });
        walkWaits_ = false;
    }
    // What the walk has passed it will never ask for.
    while (!listed_.empty() && walksBefore(listed_.begin()->first, relativePath)) {
        listedNames_ -= listed_.begin()->second.names->size();
        listed_.erase(listed_.begin());
    }
    if (listed_.empty() || listed_.begin()->first != relativePath) {
        return nullptr;
    }
    Listed kept = std::move(listed_.begin()->second);
    listed_.erase(listed_.begin());
    listedNames_ -= kept.names->size();
    auto same = [](const timespec& a, const timespec& b) {
        return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
    };
    if (kept.device != now.st_dev || kept.inode != now.st_ino ||
        !same(kept.modified, now.st_mtim) || !same(kept.changed, now.st_ctim)) {
        return nullptr; // replaced or changed since: read it again
    }
    return std::move(kept.names);
}

} // namespace korvex
