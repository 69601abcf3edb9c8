#include "CandidateSearch.h"

#include "FileDescriptor.h"
#include "FileUrl.h"
#include "FolderListing.h"
#include "MacCreationDate.h"
#include "PathText.h"
#include "PseudoFileSystems.h"
#include "SystemXattrSource.h"
#include "ThreadStart.h"

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

// Mac metadata kept beside the files (AppleDouble `._NAME` files, netatalk's .AppleDouble/NAME,
// unzipped __MACOSX trees): never a target, however it is named.
bool isMacMetadata(std::string_view name) {
    return name.substr(0, 2) == "._" || name == ".AppleDouble" || name == "__MACOSX";
}

/// A folder waiting to be listed: entry `index` of the listing `parent`, which keeps the
/// descriptor it is opened through.
struct Pending {
    std::shared_ptr<const FolderListing> parent;
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
    Walk(const CandidateSearch& search, CandidateIndex& index, const StopFlag& stop)
        : search_(search), index_(index), stop_(stop) {}

    /// False when the stop ended it.
    bool run(const std::shared_ptr<const FolderListing>& root, std::size_t threads) {
        look(root);
        std::vector<std::thread> helpers;
        for (std::size_t i = 1; i < threads; ++i) {
            std::thread helper;
            if (!ThreadStart::start(helper, [this] { work(); })) {
                ThreadStart::tellShortage("searching", helpers.size() + 1);
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
            std::shared_ptr<const FolderListing> listing = open(next);
            next.parent.reset(); // its descriptor closes once no pending child needs it
            if (listing) {
                look(listing);
            }
            std::lock_guard lock(mutex_);
            if (--busy_ == 0 && pending_.empty()) {
                changed_.notify_all();
            }
        }
    }

    std::shared_ptr<const FolderListing> open(const Pending& pending) const {
        const FolderListing& parent = *pending.parent;
        const FolderListing::Entry& entry = parent.entry(pending.index);
        std::string path = parent.prefix() + parent.cName(entry);
        if (search_.mounts_.lookupWouldMount(path)) {
            return nullptr;
        }
        FileDescriptor fd(::openat(parent.fd(), parent.cName(entry),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        struct statfs fs {};
        if (!fd || ::fstat(fd.get(), &st) != 0) {
            return nullptr; // unreadable, replaced meanwhile, or out of descriptors: passed over
        }
        if (st.st_dev != parent.device() &&
            (::fstatfs(fd.get(), &fs) != 0 || isPseudoFileSystem(fs.f_type))) {
            return nullptr;
        }
        path += '/';
        return std::make_shared<const FolderListing>(fd.release(), std::move(path), st.st_dev,
                                                     false);
    }

    /// Offers the wanted entries of `folder` and puts its subfolders on the stack.
    void look(const std::shared_ptr<const FolderListing>& listing) {
        const FolderListing& folder = *listing;
        std::vector<std::size_t> subfolders;
        for (std::size_t i = 0; i < folder.size(); ++i) {
            const FolderListing::Entry& entry = folder.entry(i);
            const char* name = folder.cName(entry);
            if (isMacMetadata(folder.name(entry))) {
                continue;
            }
            const bool wanted = index_.wants(folder.name(entry));
            unsigned char type = entry.type;
            struct statx sx {};
            bool described = false;
            if (wanted || type == DT_UNKNOWN) {
                described = ::statx(folder.fd(), name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                                    STATX_TYPE | STATX_BTIME, &sx) == 0;
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
        std::lock_guard lock(mutex_);
        // The listing lives on (with its descriptor) while a subfolder of it waits. Pushed
        // last to first, so that one thread alone walks in name order, depth first.
        for (auto at = subfolders.rbegin(); at != subfolders.rend(); ++at) {
            pending_.push_back({listing, *at});
        }
        changed_.notify_all();
    }

    void offer(const FolderListing& folder, const char* name, bool isDirectory,
               const struct statx& sx) {
        FoundEntry found;
        found.path = folder.prefix() + name;
        found.isDirectory = isDirectory;
        found.birthTime = MacCreationDate::of({folder.fd(), name, nullptr}, sx);
        if (found.isDirectory ||
            search_.recognizer_.typeIdentifierAt(folder.fd(), name) != TypeIds::alias) {
            std::lock_guard lock(offerMutex_);
            index_.offer(found);
        }
    }

private:
    const CandidateSearch& search_;
    CandidateIndex& index_;
    const StopFlag& stop_;
    bool stopped_ = false; ///< with the mutex held
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Pending> pending_;
    std::size_t busy_ = 0;
    std::mutex offerMutex_;
};

bool CandidateSearch::search(const std::vector<std::string>& roots, CandidateIndex& index,
                             const StopFlag& stop) const {
    if (index.aliases().empty()) {
        return true;
    }
    for (const std::string& root : scope(roots)) {
        if (stop.requested()) {
            return false;
        }
        FileDescriptor rootFd(::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st {};
        struct statfs fs {};
        if (!rootFd || ::fstat(rootFd.get(), &st) != 0 || ::fstatfs(rootFd.get(), &fs) != 0 ||
            isPseudoFileSystem(fs.f_type)) {
            continue;
        }
        if (!Walk(*this, index, stop)
                 .run(std::make_shared<const FolderListing>(
                          rootFd.release(), root == "/" ? "/" : root + "/", st.st_dev, false),
                      threads_)) {
            return false;
        }
    }
    return true;
}

} // namespace korvex
