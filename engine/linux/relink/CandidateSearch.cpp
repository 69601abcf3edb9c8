#include "CandidateSearch.h"

#include "FileDescriptor.h"
#include "FileUrl.h"
#include "FolderListing.h"
#include "MacCreationDate.h"
#include "PathText.h"
#include "TextCatalog.h"
#include "ThreadStart.h"
#include "WalkPolicy.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <thread>

namespace korvex {

namespace {

/// A folder listed: its place in its parent, and its listing, which holds its descriptor until
/// the search needs it for others (then it is opened again, for a moment, when a subfolder is
/// opened: from the nearest folder above that is open, name by name, each checked to be the
/// very folder listed).
struct Node {
    std::shared_ptr<Node> parent; ///< none for the root
    std::size_t index = 0;        ///< its entry in the parent's listing
    dev_t device = 0;
    ino_t inode = 0;
    std::unique_ptr<FolderListing> listing;
    std::atomic<std::size_t>* openFolders = nullptr;

    ~Node() {
        if (listing && listing->fd() >= 0) {
            openFolders->fetch_sub(1);
        }
    }
};

/// A folder waiting to be listed: entry `index` of the listing of `parent`.
struct Pending {
    std::shared_ptr<Node> parent;
    std::size_t index = 0;
};

} // namespace

std::vector<std::string> CandidateSearch::scope(const std::vector<std::string>& roots) {
    std::vector<std::string> kept;
    for (const std::string& given : roots) {
        if (given.empty() || given[0] != '/') {
            continue;
        }
        const std::string root = withoutTrailingSlashes(given);
        bool covered = false;
        for (std::string& other : kept) {
            if (isAtOrBelow(root, other)) {
                covered = true;
                break;
            }
            if (isAtOrBelow(other, root)) {
                other = root; // the wider one takes its place
                covered = true;
                break;
            }
        }
        if (!covered) {
            kept.push_back(root);
        }
    }
    // A widened root may now cover others kept after it.
    std::vector<std::string> out;
    for (const std::string& root : kept) {
        bool covered = false;
        for (const std::string& other : out) {
            covered = covered || isAtOrBelow(root, other);
        }
        if (!covered) {
            out.push_back(root);
        }
    }
    return out;
}

/// One walk of one root: a stack of pending folders shared by the threads.
class CandidateSearch::Walk {
public:
    Walk(const CandidateSearch& search, CandidateIndex& index, std::size_t descriptorBudget,
         const StopFlag& stop)
        : search_(search), index_(index), budget_(descriptorBudget), stop_(stop) {}

    /// False when the stop ended it.
    bool run(int rootFd, std::string prefix, dev_t device, ino_t inode, std::size_t threads) {
        auto root = std::make_shared<Node>();
        root->device = device;
        root->inode = inode;
        root->openFolders = &openFolders_;
        root->listing = std::make_unique<FolderListing>(rootFd, std::move(prefix), device, false);
        openFolders_.fetch_add(1);
        if (!root->listing->readable()) {
            couldntRead(root->listing->prefix());
        }
        look(root);
        std::vector<std::thread> helpers;
        for (std::size_t i = 1; i < threads; ++i) {
            std::thread helper;
            if (!ThreadStart::start(helper, [this] { work(); })) {
                ThreadStart::tellShortage(KORVEX_TRANSLATE_NOOP("ThreadStart", "searching"),
                                          helpers.size() + 1);
                break; // no more threads: those there are do it
            }
            helpers.push_back(std::move(helper));
        }
        work();
        for (std::thread& helper : helpers) {
            helper.join();
        }
        return !stopped_;
    }

    /// The folders that couldn't be read.
    std::vector<std::string> unreadable() { return std::move(unreadable_); }

private:
    void work() {
        for (;;) {
            Pending next;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return !pending_.empty() || busy_ == 0; });
                if (!pending_.empty() && stop_.requested()) {
                    // No further folder: the threads still busy finish theirs, then end too.
                    stopped_ = true;
                    pending_.clear();
                }
                if (pending_.empty()) {
                    return; // nothing left, and nobody who could add more
                }
                next = std::move(pending_.back());
                pending_.pop_back();
                ++busy_;
            }
            std::shared_ptr<Node> node = open(next);
            next.parent.reset(); // its descriptor closes once no pending child needs it
            if (node) {
                look(node);
            }
            node.reset();
            std::lock_guard lock(mutex_);
            if (--busy_ == 0 && pending_.empty()) {
                changed_.notify_all();
            }
        }
    }

    void couldntRead(std::string path) {
        if (path.size() > 1 && path.back() == '/') {
            path.pop_back();
        }
        std::lock_guard lock(unreadableMutex_);
        unreadable_.push_back(std::move(path));
    }

    /// `node`'s folder opened again for a moment, from the nearest open folder above it; none
    /// when one on the way is no longer the folder listed.
    static FileDescriptor reopen(const Node& node) {
        std::vector<const Node*> chain;
        const Node* open = &node;
        while (open->listing->fd() < 0 && open->parent) {
            chain.push_back(open);
            open = open->parent.get();
        }
        FileDescriptor current;
        int at = open->listing->fd();
        for (auto step = chain.rbegin(); step != chain.rend(); ++step) {
            const Node& folder = **step;
            const FolderListing& above = *folder.parent->listing;
            FileDescriptor next(::openat(at, above.cName(above.entry(folder.index)),
                                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            struct stat st {};
            if (!next || ::fstat(next.get(), &st) != 0 || st.st_dev != folder.device ||
                st.st_ino != folder.inode) {
                return FileDescriptor();
            }
            current = std::move(next);
            at = current.get();
        }
        return current;
    }

    std::shared_ptr<Node> open(const Pending& pending) {
        const FolderListing& parent = *pending.parent->listing;
        const FolderListing::Entry& entry = parent.entry(pending.index);
        std::string path = parent.prefix() + parent.cName(entry);
        if (search_.mounts_.lookupWouldMount(path)) {
            return nullptr;
        }
        FileDescriptor reopened;
        int at = parent.fd();
        if (at < 0) {
            reopened = reopen(*pending.parent);
            if (!reopened) {
                couldntRead(std::move(path)); // its folder was moved or replaced meanwhile
                return nullptr;
            }
            at = reopened.get();
        }
        FileDescriptor fd(
            ::openat(at, parent.cName(entry), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        struct statfs fs {};
        if (!fd || ::fstat(fd.get(), &st) != 0) {
            if (errno != ENOENT && errno != ENOTDIR && errno != ELOOP) {
                couldntRead(std::move(path)); // unreadable, or out of descriptors
            }
            return nullptr; // gone, or replaced by something else meanwhile
        }
        if (st.st_dev != parent.device() &&
            (::fstatfs(fd.get(), &fs) != 0 || !WalkPolicy::entersFileSystem(fs.f_type))) {
            return nullptr;
        }
        path += '/';
        auto node = std::make_shared<Node>();
        node->parent = pending.parent;
        node->index = pending.index;
        node->device = st.st_dev;
        node->inode = st.st_ino;
        node->openFolders = &openFolders_;
        node->listing =
            std::make_unique<FolderListing>(fd.release(), std::move(path), st.st_dev, false);
        openFolders_.fetch_add(1);
        if (!node->listing->readable()) {
            couldntRead(node->listing->prefix());
        }
        return node;
    }

    /// Offers the wanted entries of `folder` and puts its subfolders on the stack.
    void look(const std::shared_ptr<Node>& node) {
        FolderListing& folder = *node->listing;
        std::vector<std::size_t> subfolders;
        for (std::size_t i = 0; i < folder.size(); ++i) {
            const FolderListing::Entry& entry = folder.entry(i);
            const char* name = folder.cName(entry);
            if (WalkPolicy::isMacMetadata(folder.name(entry))) {
                continue;
            }
            const bool wanted = index_.wants(folder.name(entry));
            unsigned char type = entry.type;
            struct statx sx {};
            bool described = false;
            if (wanted || type == DT_UNKNOWN) {
                described = ::statx(folder.fd(), name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                                    STATX_TYPE | STATX_BTIME | STATX_UID, &sx) == 0;
                if (!described) {
                    continue; // gone meanwhile
                }
                type = S_ISDIR(sx.stx_mode) ? DT_DIR : S_ISREG(sx.stx_mode) ? DT_REG : DT_UNKNOWN;
            }
            if (type != DT_DIR && type != DT_REG) {
                continue; // links, devices, pipes: never a target, never entered
            }
            if (wanted && described) {
                offer(folder, name, type == DT_DIR, sx);
            }
            if (type == DT_DIR) {
                subfolders.push_back(i);
            }
        }
        if (subfolders.empty()) {
            return;
        }
        // Over the budget, the descriptor goes before any subfolder can be opened from it (it
        // is opened again for a moment then): from here on it stays as it is.
        if (node->parent && openFolders_.load() > budget_) {
            folder.closeFd();
            openFolders_.fetch_sub(1);
        }
        std::lock_guard lock(mutex_);
        // The node lives on (with its listing) while a subfolder of it waits. Pushed last to
        // first, so that one thread alone walks in name order, depth first.
        for (auto at = subfolders.rbegin(); at != subfolders.rend(); ++at) {
            pending_.push_back({node, *at});
        }
        changed_.notify_all();
    }

    void offer(const FolderListing& folder, const char* name, bool isDirectory,
               const struct statx& sx) {
        FoundEntry found;
        found.path = folder.prefix() + name;
        found.isDirectory = isDirectory;
        found.birthTime = MacCreationDate::of({folder.fd(), name, nullptr}, sx);
        if (sx.stx_mask & STATX_UID) {
            found.owner = sx.stx_uid;
        }
        if (found.isDirectory ||
            search_.recognizer_.typeIdentifierAt(folder.fd(), name) != TypeIds::alias) {
            std::lock_guard lock(offerMutex_);
            index_.offer(found);
        }
    }

private:
    const CandidateSearch& search_;
    CandidateIndex& index_;
    const std::size_t budget_;
    const StopFlag& stop_;
    bool stopped_ = false; ///< with the mutex held
    std::atomic<std::size_t> openFolders_{0};
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Pending> pending_;
    std::size_t busy_ = 0;
    std::mutex offerMutex_;
    std::mutex unreadableMutex_;
    std::vector<std::string> unreadable_;
};

std::vector<std::string> CandidateSearch::search(const std::vector<std::string>& roots,
                                                 CandidateIndex& index, const StopFlag& stop,
                                                 bool* stopped) const {
    std::vector<std::string> unreadable;
    if (stopped) {
        *stopped = false;
    }
    if (index.aliases().empty()) {
        return unreadable;
    }
    // Folder descriptors kept open besides those each thread uses for a moment.
    const std::size_t allowed = WalkPolicy::processDescriptors();
    const std::size_t budget = WalkPolicy::folderDescriptors(4);
    // Each thread may hold two more for a moment: few descriptors, few threads.
    const std::size_t threads = std::clamp<std::size_t>(allowed / 16, 1, threads_);
    for (const std::string& root : scope(roots)) {
        if (stop.requested()) {
            if (stopped) {
                *stopped = true;
            }
            break;
        }
        FileDescriptor rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st {};
        struct statfs fs {};
        if (!rootFd || ::fstat(rootFd.get(), &st) != 0 || ::fstatfs(rootFd.get(), &fs) != 0) {
            if (errno != ENOENT) {
                unreadable.push_back(root); // a folder that isn't there is no folder to read
            }
            continue;
        }
        if (!WalkPolicy::entersFileSystem(fs.f_type)) {
            continue;
        }
        Walk walk(*this, index, budget, stop);
        const bool ended = walk.run(rootFd.release(), root == "/" ? "/" : root + "/", st.st_dev,
                                    st.st_ino, threads);
        for (std::string& path : walk.unreadable()) {
            unreadable.push_back(std::move(path));
        }
        if (!ended) {
            if (stopped) {
                *stopped = true;
            }
            break;
        }
    }
    std::sort(unreadable.begin(), unreadable.end());
    return unreadable;
}

} // namespace korvex
