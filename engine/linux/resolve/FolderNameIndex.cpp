#include "FolderNameIndex.h"

#include "UnicodeNames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace korvex {

namespace {

/// Folders kept at most (each lookup looks through them).
constexpr std::size_t folderLimit = 256;

std::int64_t nanoseconds(const timespec& time) {
    return std::int64_t{time.tv_sec} * 1'000'000'000 + time.tv_nsec;
}

// What a name is compared by: its normalisation form C, or its bytes when it isn't UTF-8 (such
// bytes never equal a well-formed form C, so the two kinds can't be confused).
std::string keyOf(std::string_view name) {
    std::optional<std::string> composed = composedName(name);
    return composed ? std::move(*composed) : std::string(name);
}

} // namespace

std::string_view FolderNameIndex::Folder::keyAt(std::uint32_t offset) const {
    return {text.data() + offset};
}

int FolderNameIndex::read(const std::string& folderPath, Folder& folder) {
    DIR* dir = ::opendir(folderPath.c_str());
    if (!dir) {
        return errno;
    }
    struct stat st {};
    if (::fstat(::dirfd(dir), &st) != 0) {
        const int error = errno;
        ::closedir(dir);
        return error;
    }
    folder.device = st.st_dev;
    folder.inode = st.st_ino;
    folder.modified = nanoseconds(st.st_mtim);
    folder.changed = nanoseconds(st.st_ctim);
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            // The end, or a read that failed: a listing cut short could miss the very name.
            if (const int error = errno; error != 0) {
                ::closedir(dir);
                return error;
            }
            break;
        }
        const std::string_view name(entry->d_name);
        if (name == "." || name == "..") {
            continue;
        }
        const std::string key = keyOf(name);
        folder.at.push_back(static_cast<std::uint32_t>(folder.text.size()));
        folder.text.insert(folder.text.end(), key.begin(), key.end());
        folder.text.push_back('\0');
        folder.text.insert(folder.text.end(), name.begin(), name.end());
        folder.text.push_back('\0');
    }
    ::closedir(dir);
    // Key first, then name: the first of several equivalent names is the first in byte order.
    std::sort(folder.at.begin(), folder.at.end(), [&folder](std::uint32_t a, std::uint32_t b) {
        const std::string_view keyA = folder.keyAt(a);
        const std::string_view keyB = folder.keyAt(b);
        if (keyA != keyB) {
            return keyA < keyB;
        }
        return folder.keyAt(a + static_cast<std::uint32_t>(keyA.size()) + 1) <
               folder.keyAt(b + static_cast<std::uint32_t>(keyB.size()) + 1);
    });
    folder.text.shrink_to_fit();
    folder.at.shrink_to_fit();
    return 0;
}

ReadResult<std::string> FolderNameIndex::equivalentName(const std::string& folderPath,
                                                        std::string_view name) {
    struct stat st {};
    if (::stat(folderPath.c_str(), &st) != 0) {
        return isMissingError(errno) ? ReadFailure::gone() : ReadFailure::unreadable(errno);
    }
    if (!S_ISDIR(st.st_mode)) {
        return ReadFailure::gone();
    }
    const std::string key = keyOf(name);
    std::lock_guard lock(mutex_);
    auto it = std::find_if(folders_.begin(), folders_.end(), [&st](const Folder& folder) {
        return folder.device == st.st_dev && folder.inode == st.st_ino;
    });
    if (it != folders_.end() &&
        (it->modified != nanoseconds(st.st_mtim) || it->changed != nanoseconds(st.st_ctim))) {
        bytes_ -= it->text.size() + it->at.size() * sizeof(std::uint32_t);
        folders_.erase(it);
        it = folders_.end();
    }
    if (it == folders_.end()) {
        Folder folder{};
        if (const int error = read(folderPath, folder); error != 0) {
            return isMissingError(error) ? ReadFailure::gone() : ReadFailure::unreadable(error);
        }
        ++foldersRead_;
        bytes_ += folder.text.size() + folder.at.size() * sizeof(std::uint32_t);
        folders_.push_front(std::move(folder));
        evictBeyondLimit();
    } else if (it != folders_.begin()) {
        folders_.splice(folders_.begin(), folders_, it);
    }
    const Folder& folder = folders_.front();
    auto found = std::lower_bound(folder.at.begin(), folder.at.end(), key,
                                  [&folder](std::uint32_t offset, const std::string& wanted) {
                                      return folder.keyAt(offset) < wanted;
                                  });
    if (found == folder.at.end() || folder.keyAt(*found) != key) {
        return ReadFailure::gone();
    }
    return std::string(folder.keyAt(*found + static_cast<std::uint32_t>(key.size()) + 1));
}

void FolderNameIndex::evictBeyondLimit() {
    while ((bytes_ > byteLimit_ || folders_.size() > folderLimit) && folders_.size() > 1) {
        const Folder& oldest = folders_.back();
        bytes_ -= oldest.text.size() + oldest.at.size() * sizeof(std::uint32_t);
        folders_.pop_back();
    }
}

std::size_t FolderNameIndex::foldersRead() const {
    std::lock_guard lock(mutex_);
    return foldersRead_;
}

} // namespace korvex
