#include "FolderListing.h"

#include "FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace korvex {

namespace {
// A getdents64 record: u64 inode, s64 offset, u16 record length, u8 type, NUL-terminated name.
constexpr std::size_t recordLengthAt = 16;
constexpr std::size_t typeAt = 18;
constexpr std::size_t nameAt = 19;

bool isDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}
} // namespace

FolderListing::FolderListing(int folderFd, std::string prefix, dev_t device, bool xattrs,
                             std::vector<ArchiveRoot> archiveRoots)
    : fd_(folderFd), prefix_(std::move(prefix)), device_(device), xattrs_(xattrs),
      archiveRoots_(std::move(archiveRoots)) {
    alignas(8) char buffer[32768];
    for (;;) {
        const long got = ::syscall(SYS_getdents64, fd(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            error_ = errno != 0 ? errno : EIO;
            break;
        }
        if (got == 0) {
            break;
        }
        for (long at = 0; at < got;) {
            const char* record = buffer + at;
            unsigned short recordLength;
            std::memcpy(&recordLength, record + recordLengthAt, sizeof recordLength);
            if (recordLength <= nameAt || recordLength > got - at) {
                break; // never happens with a sane kernel; never read past the buffer
            }
            at += recordLength;
            const char* name = record + nameAt;
            const std::size_t length = ::strnlen(name, recordLength - nameAt);
            if (isDotOrDotDot(name) || length == recordLength - nameAt) {
                continue;
            }
            entries_.push_back(Entry{static_cast<std::uint32_t>(names_.size()),
                                     static_cast<std::uint32_t>(length),
                                     static_cast<unsigned char>(record[typeAt])});
            names_.insert(names_.end(), name, name + length + 1);
        }
    }
    std::sort(entries_.begin(), entries_.end(),
              [this](const Entry& a, const Entry& b) { return name(a) < name(b); });
    auto holdsFolder = [this](std::string_view wanted) {
        const Entry* entry = find(wanted);
        return entry && (entry->type == DT_DIR || entry->type == DT_UNKNOWN);
    };
    holdsAppleDouble_ = holdsFolder(".AppleDouble");
    holdsMacArchive_ = holdsFolder("__MACOSX");
}

FolderListing::FolderListing(int folderFd, std::string prefix, dev_t device, bool xattrs,
                             std::vector<ArchiveRoot> archiveRoots, FolderListing&& listed)
    : fd_(folderFd), prefix_(std::move(prefix)), device_(device), xattrs_(xattrs),
      error_(listed.error_), holdsAppleDouble_(listed.holdsAppleDouble_),
      holdsMacArchive_(listed.holdsMacArchive_), archiveRoots_(std::move(archiveRoots)),
      names_(std::move(listed.names_)), entries_(std::move(listed.entries_)),
      answers_(std::move(listed.answers_)) {
    listed.entries_.clear();
    listed.answers_.clear();
}

FolderListing::~FolderListing() {
    closeFd();
}

void FolderListing::closeFd() {
    // Taken out of the shared slot first, then closed by its owner as it goes.
    const FileDescriptor closing(fd_.exchange(-1, std::memory_order_relaxed));
}

const FolderListing::Entry* FolderListing::find(std::string_view wanted) const {
    auto it = std::lower_bound(entries_.begin(), entries_.end(), wanted,
                               [this](const Entry& e, std::string_view n) { return name(e) < n; });
    return it != entries_.end() && name(*it) == wanted ? &*it : nullptr;
}

} // namespace korvex
