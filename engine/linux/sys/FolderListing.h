#pragma once

#include "ArchiveRoots.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace korvex {

/// The entries of one open folder, read at once with getdents64 and sorted by the bytes of
/// their names. Owns the folder's descriptor. The names are immutable once read, so several
/// threads may look at them together; the descriptor may be closed and opened again by the one
/// thread that walks, only while nobody else holds the listing.
class FolderListing {
public:
    struct Entry {
        std::uint32_t nameOffset;
        std::uint32_t nameLength;
        unsigned char type; ///< d_type as the file system reported it (may be DT_UNKNOWN)
    };

    /// Reads the folder open at `fd` (taken over, closed by the listing). `prefix` is the
    /// folder's absolute path followed by one slash ("/" for the root folder), or empty where
    /// nobody asks for it (the walk's folders); `device` its st_dev; `xattrs` whether its file
    /// system keeps extended attributes; `archiveRoots` the folders above it (nearest first)
    /// that hold a `__MACOSX` folder.
    FolderListing(int fd, std::string prefix, dev_t device, bool xattrs,
                  std::vector<ArchiveRoot> archiveRoots = {});
    /// As above, with the names (and answers) of `listed`, a listing of the same folder made a
    /// moment ago, which gives them up: the folder is not read again.
    FolderListing(int fd, std::string prefix, dev_t device, bool xattrs,
                  std::vector<ArchiveRoot> archiveRoots, FolderListing&& listed);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    /// The folder's descriptor; -1 while it is closed to save descriptors.
    int fd() const { return fd_.load(std::memory_order_relaxed); }
    /// Closes the descriptor (the names stay); `adopt` gives the listing one again.
    void closeFd();
    void adopt(int fd) { fd_.store(fd, std::memory_order_relaxed); }
    /// The folder's absolute path and a slash (an entry's path is prefix() + its name), or
    /// empty (see the constructor).
    const std::string& prefix() const { return prefix_; }
    dev_t device() const { return device_; }
    bool xattrs() const { return xattrs_; }
    /// False when the folder's entries could not all be read (the listing holds those that were).
    bool readable() const { return error_ == 0; }
    /// Why they could not (the errno of the listing call that failed); 0 when they could.
    int error() const { return error_; }

    std::size_t size() const { return entries_.size(); }
    const Entry& entry(std::size_t index) const { return entries_[index]; }
    std::string_view name(const Entry& entry) const {
        return {names_.data() + entry.nameOffset, entry.nameLength};
    }
    /// The NUL-terminated name of `entry`.
    const char* cName(const Entry& entry) const { return names_.data() + entry.nameOffset; }

    /// The entry called exactly `name` (bytes, no normalisation), or null.
    const Entry* find(std::string_view name) const;

    /// Whether the folder holds netatalk's `.AppleDouble` folder.
    bool holdsAppleDoubleFolder() const { return holdsAppleDouble_; }
    /// The folders above this one, nearest first, that hold a `__MACOSX` folder (the
    /// AppleDouble files of a Mac-made zip archive, unpacked): what identifies them, no
    /// descriptor (see ArchiveRoots).
    const std::vector<ArchiveRoot>& archiveRoots() const { return archiveRoots_; }
    /// Whether this folder itself holds `__MACOSX`.
    bool holdsMacArchiveFolder() const { return holdsMacArchive_; }

    /// What each entry is, when that was found out as the folder was listed ahead of the walk:
    /// one code per entry, in entry order (see TypeIds::code: an entry that could not be
    /// examined keeps its errno); empty when nothing was.
    const std::vector<std::uint8_t>& answers() const { return answers_; }
    void setAnswers(std::vector<std::uint8_t> answers) { answers_ = std::move(answers); }

private:
    std::atomic<int> fd_;
    std::string prefix_;
    dev_t device_;
    bool xattrs_;
    int error_ = 0;
    bool holdsAppleDouble_ = false;
    bool holdsMacArchive_ = false;
    std::vector<ArchiveRoot> archiveRoots_;
    std::vector<char> names_;
    std::vector<Entry> entries_;
    std::vector<std::uint8_t> answers_;
};

} // namespace korvex
