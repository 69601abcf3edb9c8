#include "PosixFolderWalk.h"

#include "AliasRecognizer.h"
#include "FolderListing.h"
#include "PseudoFileSystems.h"

#include <atomic>
#include <condition_variable>
#include <dirent.h>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace korvex {

namespace {

/// Entries listed and (perhaps) classified ahead of the caller.
constexpr std::size_t ringSize = 1024;
/// Finished folders the look-ahead may keep open beyond those on the current path.
constexpr std::size_t spareFolders = 64;

enum SlotState : int { pending = 0, claimed = 1, done = 2 };

struct Slot {
    std::string relative;
    std::shared_ptr<const FolderListing> folder;
    std::uint32_t index = 0;
    unsigned char type = DT_UNKNOWN;
    std::atomic<int> state{done};
    std::optional<std::string_view> result;
};

} // namespace

class PosixFolderWalk::Impl {
public:
    Impl(const AliasRecognizer& recognizer, std::string prefix)
        : recognizer_(recognizer), prefix_(std::move(prefix)), ring_(ringSize) {}

    ~Impl() { stopLookahead(); }

    void start(std::shared_ptr<const FolderListing> root, bool lookAhead) {
        if (root) {
            stack_.push_back(Frame{std::move(root), 0, 0});
        } else {
            finished_.store(true);
        }
        if (lookAhead && !finished_.load()) {
            thread_ = std::thread([this] { runLookahead(); });
        }
    }

    std::shared_ptr<const FolderListing> makeListing(int fd, std::string prefix, dev_t device,
                                                     bool xattrs) {
        listings_.fetch_add(1);
        return std::shared_ptr<const FolderListing>(
            new FolderListing(fd, std::move(prefix), device, xattrs), [this](FolderListing* l) {
                delete l;
                listings_.fetch_sub(1);
            });
    }

    bool next(std::string_view& relativePath);

    std::optional<std::string_view> currentType_;
    std::string currentPath_;

private:
    struct Frame {
        std::shared_ptr<const FolderListing> listing;
        std::size_t next;
        std::size_t relativeLength;
    };

    bool produceOne();
    bool enterFolder(const FolderListing& parent, const FolderListing::Entry& entry);
    void classify(Slot& slot, std::string& scratch) const;
    bool classifyAhead(std::string& scratch);
    void runLookahead();
    void stopLookahead();
    void wakeConsumer();
    void wakeProducer();

    const AliasRecognizer& recognizer_;
    const std::string prefix_;
    std::vector<Slot> ring_;

    // Walk state: touched only by the producing thread (the look-ahead, or the caller when
    // there is none).
    std::vector<Frame> stack_;
    std::string relative_;
    std::size_t cursor_ = 0; // next slot the look-ahead may classify

    std::atomic<std::size_t> produced_{0};
    std::atomic<std::size_t> consumed_{0};
    std::atomic<bool> finished_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> consumerWaiting_{false};
    std::atomic<bool> producerWaiting_{false};
    std::atomic<std::size_t> listings_{0};
    std::mutex mutex_;
    std::condition_variable consumerCv_;
    std::condition_variable producerCv_;
    std::thread thread_;

    bool holding_ = false;
    std::string consumerScratch_;
};

bool PosixFolderWalk::Impl::enterFolder(const FolderListing& parent,
                                        const FolderListing::Entry& entry) {
    const char* name = parent.cName(entry);
    struct stat st;
    if (::fstatat(parent.fd(), name, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0 ||
        !S_ISDIR(st.st_mode)) {
        return false;
    }
    if (st.st_dev != parent.device()) {
        // Another file system: look at it without opening it for reading first (an
        // automount point would mount on open).
        const int probe = ::openat(parent.fd(), name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (probe < 0) {
            return false;
        }
        struct statfs fs;
        const bool walkable = ::fstatfs(probe, &fs) == 0 && !isPseudoFileSystem(fs.f_type);
        ::close(probe);
        if (!walkable) {
            return false;
        }
    }
    const int fd = ::openat(parent.fd(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool xattrs =
        st.st_dev == parent.device() ? parent.xattrs() : recognizer_.xattrsSupported(fd, st.st_dev);
    std::string prefix;
    prefix.reserve(parent.prefix().size() + entry.nameLength + 1);
    prefix.append(parent.prefix()).append(name, entry.nameLength).push_back('/');
    std::shared_ptr<const FolderListing> listing =
        makeListing(fd, std::move(prefix), st.st_dev, xattrs);
    stack_.push_back(Frame{std::move(listing), 0, relative_.size()});
    return true;
}

bool PosixFolderWalk::Impl::produceOne() {
    while (!stack_.empty()) {
        Frame& frame = stack_.back();
        if (frame.next == frame.listing->size()) {
            stack_.pop_back();
            continue;
        }
        const std::size_t index = frame.next++;
        const FolderListing& listing = *frame.listing;
        const FolderListing::Entry& entry = listing.entry(index);
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

        const std::size_t at = produced_.load(std::memory_order_relaxed);
        Slot& slot = ring_[at % ringSize];
        slot.relative.assign(relative_);
        slot.folder = frame.listing;
        slot.index = static_cast<std::uint32_t>(index);
        slot.type = type;
        slot.result.reset();
        slot.state.store(pending, std::memory_order_relaxed);
        produced_.store(at + 1, std::memory_order_release);
        wakeConsumer();

        if (type == DT_DIR) {
            enterFolder(listing, entry); // `frame` may dangle from here on
        }
        return true;
    }
    return false;
}

void PosixFolderWalk::Impl::classify(Slot& slot, std::string& scratch) const {
    const FolderListing& listing = *slot.folder;
    const FolderListing::Entry& entry = listing.entry(slot.index);
    scratch.assign(listing.prefix()).append(listing.name(entry));
    AliasRecognizer::Entry question;
    question.folderFd = listing.fd();
    question.name = listing.name(entry);
    question.type = slot.type;
    question.path = scratch.c_str();
    question.listing = &listing;
    question.xattrs = listing.xattrs();
    slot.result = recognizer_.typeIdentifier(question);
}

bool PosixFolderWalk::Impl::classifyAhead(std::string& scratch) {
    const std::size_t end = produced_.load(std::memory_order_relaxed);
    cursor_ = std::max(cursor_, consumed_.load(std::memory_order_acquire));
    while (cursor_ < end) {
        Slot& slot = ring_[cursor_ % ringSize];
        ++cursor_;
        int expected = pending;
        if (slot.state.compare_exchange_strong(expected, claimed, std::memory_order_acq_rel)) {
            classify(slot, scratch);
            slot.state.store(done, std::memory_order_release);
            wakeConsumer();
            return true;
        }
    }
    return false;
}

// The waiting side sets its flag and then looks at the counters; the waking side changes
// the counters and then looks at the flag. The fences keep either from missing the other.
void PosixFolderWalk::Impl::wakeConsumer() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (consumerWaiting_.load()) {
        std::lock_guard lock(mutex_);
        consumerCv_.notify_one();
    }
}

void PosixFolderWalk::Impl::wakeProducer() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (producerWaiting_.load()) {
        std::lock_guard lock(mutex_);
        producerCv_.notify_one();
    }
}

void PosixFolderWalk::Impl::runLookahead() {
    std::string scratch;
    while (!stop_.load()) {
        const std::size_t seen = consumed_.load();
        bool progressed = false;
        // List ahead, a few entries at a time, as far as the ring and the open folders allow.
        for (int i = 0; i < 16 && !finished_.load(std::memory_order_relaxed); ++i) {
            const std::size_t inRing = produced_.load(std::memory_order_relaxed) -
                                       consumed_.load(std::memory_order_acquire);
            if (inRing >= ringSize || listings_.load() > stack_.size() + spareFolders) {
                break;
            }
            if (!produceOne()) {
                finished_.store(true);
                std::lock_guard lock(mutex_);
                consumerCv_.notify_one();
                break;
            }
            progressed = true;
        }
        for (int i = 0; i < 16 && classifyAhead(scratch); ++i) {
            progressed = true;
        }
        if (progressed) {
            continue;
        }
        if (finished_.load()) {
            return; // nothing left to list or to classify ahead
        }
        // The ring is full and classified: wait for the caller to take entries.
        std::unique_lock lock(mutex_);
        producerWaiting_.store(true);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        producerCv_.wait(lock, [&] { return stop_.load() || consumed_.load() != seen; });
        producerWaiting_.store(false);
    }
}

void PosixFolderWalk::Impl::stopLookahead() {
    if (!thread_.joinable()) {
        return;
    }
    {
        std::lock_guard lock(mutex_);
        stop_.store(true);
        producerCv_.notify_all();
    }
    thread_.join();
}

bool PosixFolderWalk::Impl::next(std::string_view& relativePath) {
    if (holding_) {
        Slot& previous = ring_[consumed_.load(std::memory_order_relaxed) % ringSize];
        previous.folder.reset();
        consumed_.fetch_add(1, std::memory_order_acq_rel);
        holding_ = false;
        wakeProducer();
    }
    currentType_.reset();
    currentPath_.clear();
    const std::size_t at = consumed_.load(std::memory_order_relaxed);
    if (!thread_.joinable()) {
        // No look-ahead: list on the caller's thread.
        if (produced_.load(std::memory_order_relaxed) == at && !produceOne()) {
            finished_.store(true);
            return false;
        }
    } else if (produced_.load(std::memory_order_acquire) == at) {
        std::unique_lock lock(mutex_);
        consumerWaiting_.store(true);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        consumerCv_.wait(lock, [&] {
            return produced_.load(std::memory_order_acquire) != at || finished_.load();
        });
        consumerWaiting_.store(false);
        if (produced_.load(std::memory_order_acquire) == at) {
            return false;
        }
    }

    Slot& slot = ring_[at % ringSize];
    int expected = pending;
    if (slot.state.compare_exchange_strong(expected, claimed, std::memory_order_acq_rel)) {
        classify(slot, consumerScratch_);
        slot.state.store(done, std::memory_order_release);
    } else if (slot.state.load(std::memory_order_acquire) != done) {
        std::unique_lock lock(mutex_);
        consumerWaiting_.store(true);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        consumerCv_.wait(lock, [&] { return slot.state.load(std::memory_order_acquire) == done; });
        consumerWaiting_.store(false);
    }
    holding_ = true;
    currentType_ = slot.result;
    currentPath_.assign(prefix_).append(slot.relative);
    relativePath = slot.relative;
    return true;
}

PosixFolderWalk::PosixFolderWalk(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

PosixFolderWalk::~PosixFolderWalk() = default;

std::unique_ptr<PosixFolderWalk> PosixFolderWalk::open(const std::string& folderPath,
                                                       const AliasRecognizer& recognizer,
                                                       bool lookAhead) {
    std::string path = folderPath;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    if (path.empty()) {
        return nullptr;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st;
    struct statfs fs;
    if (::fstat(fd, &st) != 0 || ::fstatfs(fd, &fs) != 0) {
        ::close(fd);
        return nullptr;
    }
    std::string prefix = path == "/" ? path : path + "/";
    auto impl = std::make_unique<Impl>(recognizer, prefix);
    std::shared_ptr<const FolderListing> root;
    if (isPseudoFileSystem(fs.f_type)) {
        ::close(fd); // a folder of the kernel's: nothing in it is a file
    } else {
        root = impl->makeListing(fd, std::move(prefix), st.st_dev,
                                 recognizer.xattrsSupported(fd, st.st_dev));
    }
    impl->start(std::move(root), lookAhead);
    return std::unique_ptr<PosixFolderWalk>(new PosixFolderWalk(std::move(impl)));
}

bool PosixFolderWalk::next(std::string_view& relativePath) {
    return impl_->next(relativePath);
}

std::optional<std::string_view> PosixFolderWalk::currentType() const {
    return impl_->currentType_;
}

const std::string& PosixFolderWalk::currentPath() const {
    return impl_->currentPath_;
}

} // namespace korvex
