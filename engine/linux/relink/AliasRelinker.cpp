#include "AliasRelinker.h"

#include "AliasScanner.h"
#include "PathText.h"
#include "RegularFileReader.h"
#include "RelinkRecord.h"
#include "TextCatalog.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {

namespace {

// What failed, with the system's reason when the call that failed left one.
std::string failureText(std::string_view what, int error) {
    std::string text(what);
    if (error != 0) {
        text += ": ";
        text += std::strerror(error);
    }
    return text;
}

} // namespace

AliasRelinker::AliasRelinker(std::string folderPath, FileCalls& fileCalls)
    : folderPath_(std::move(folderPath)),
      root_(::open(folderPath_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)),
      platform_({}, MountTable::readSystem, fileCalls) {
    struct stat st {};
    if (root_ && ::fstat(root_.get(), &st) == 0) {
        device_ = st.st_dev;
        inode_ = st.st_ino;
    } else {
        root_.reset();
    }
}

bool AliasRelinker::stillSameFolder() const {
    struct stat st {};
    return root_ && ::stat(folderPath_.c_str(), &st) == 0 && st.st_dev == device_ &&
           st.st_ino == inode_;
}

FileDescriptor AliasRelinker::folderOf(std::string_view relativePath, std::string& name) const {
    const std::vector<std::string_view> parts = splitNonEmpty(relativePath, '/');
    if (!root_ || parts.empty()) {
        return FileDescriptor();
    }
    for (const std::string_view part : parts) {
        if (part == "." || part == "..") {
            return FileDescriptor();
        }
    }
    FileDescriptor folder(::fcntl(root_.get(), F_DUPFD_CLOEXEC, 0));
    for (std::size_t i = 0; folder && i + 1 < parts.size(); ++i) {
        const std::string part(parts[i]);
        folder.reset(
            ::openat(folder.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    name = parts.back();
    return folder;
}

namespace {

// Sidecars hold a few records in base64: one longer than this is no sidecar of ours.
constexpr std::size_t sidecarLimit = 64 << 20;

} // namespace

FileUrl AliasRelinker::itemAt(std::string_view relativePath, const std::string& name, int folderFd,
                              WalkEntry& entry) const {
    entry.relativePath = relativePath;
    entry.name = name;
    entry.folderFd = folderFd;
    FileUrl item = fileUrlWithPath(folderPath_ + "/" + std::string(relativePath));
    item.entry = &entry;
    return item;
}

ReadResult<BookmarkData> AliasRelinker::read(std::string_view relativePath, struct stat* status) {
    std::string name;
    FileDescriptor folder = folderOf(relativePath, name);
    if (!folder) {
        return ReadFailure::gone();
    }
    WalkEntry entry;
    const FileUrl item = itemAt(relativePath, name, folder.get(), entry);
    ReadResult<BookmarkData> read = platform_.readBookmarkData(item);
    if (read && status && ::fstatat(folder.get(), name.c_str(), status, AT_SYMLINK_NOFOLLOW) != 0) {
        *status = {};
    }
    return read;
}

AliasRelinker::Outcome AliasRelinker::replace(std::string_view relativePath, const Digest& expected,
                                              const BookmarkData& fresh,
                                              const std::string* sidecarText, int* error) {
    failure_.clear();
    std::string name;
    errno = 0;
    FileDescriptor folder = folderOf(relativePath, name);
    if (!folder) {
        failure_ = failureText(
            KORVEX_TRANSLATE_NOOP("RelinkReason",
                                  "its folder can't be reached from the scanned one any more"),
            errno);
        return Outcome::changed;
    }
    WalkEntry entry;
    const FileUrl item = itemAt(relativePath, name, folder.get(), entry);

    // The platform remembers the file it read: only that file, unchanged, is replaced.
    const ReadResult<BookmarkData> current = platform_.readBookmarkData(item);
    if (current.unreadable()) {
        if (error) {
            *error = current.failure().error;
        }
        failure_ = failureText(KORVEX_TRANSLATE_NOOP("RelinkReason", "it can't be read again"),
                               current.failure().error);
        return Outcome::unreadable; // no reason to think it changed: it can't be said
    }
    if (!current) {
        failure_ = KORVEX_TRANSLATE_NOOP("RelinkReason",
                                         "it can't be read again: its data is gone or damaged");
        return Outcome::changed;
    }
    if (sha256(*current) != expected) {
        failure_ = KORVEX_TRANSLATE_NOOP("RelinkReason", "it changed since it was read");
        return Outcome::changed;
    }
    if (sidecarText) {
        std::string text = *sidecarText;
        const std::string sidecarName = name + std::string(relinkSuffix);
        if (std::optional<std::vector<std::uint8_t>> old =
                RegularFileReader::readAt(folder.get(), sidecarName.c_str(), sidecarLimit)) {
            // An earlier relink's sidecar: its record (of the original data) stays first.
            std::string earlier(old->begin(), old->end());
            if (!earlier.empty() && earlier.back() != '\n') {
                earlier += '\n';
            }
            text = earlier + "\n" + text;
        }
        // Past the bound the sidecar stays as it is (the journal has the record all the same).
        if (text.size() <= sidecarLimit) {
            if (const WriteResult written = platform_.writeText(text, item, relinkSuffix);
                !written) {
                failure_ = "its sidecar (" + std::string(relinkSuffix) +
                           ") couldn't be written: " + written.reason();
                return Outcome::failed;
            }
        }
    }
    if (const WriteResult written = platform_.writeBookmarkData(fresh, item); !written) {
        failure_ = std::string(KORVEX_TRANSLATE_NOOP("RelinkReason", "it couldn't be written")) +
                   ": " + written.reason();
        return Outcome::failed;
    }
    return Outcome::replaced;
}

bool AliasRelinker::removeSidecar(std::string_view relativePath, std::string_view line) {
    std::string name;
    FileDescriptor folder = folderOf(relativePath, name);
    if (!folder) {
        return false;
    }
    const std::string sidecarName = name + std::string(relinkSuffix);
    struct stat st {};
    std::optional<std::vector<std::uint8_t>> text =
        RegularFileReader::readAt(folder.get(), sidecarName.c_str(), sidecarLimit, &st);
    if (!text || st.st_nlink != 1 ||
        std::string_view(reinterpret_cast<const char*>(text->data()), text->size()).find(line) ==
            std::string_view::npos) {
        return false;
    }
    return ::unlinkat(folder.get(), sidecarName.c_str(), 0) == 0;
}

AliasRelinker::BrokenNote AliasRelinker::removeBrokenNote(std::string_view relativePath,
                                                          const BookmarkData& before, int* error) {
    std::string name;
    FileDescriptor folder = folderOf(relativePath, name);
    if (!folder) {
        return BrokenNote::none; // the alias itself was just written through this very path
    }
    const std::string noteName = name + std::string(brokenSuffix);
    struct stat st {};
    if (::fstatat(folder.get(), noteName.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno == ENOENT) {
            return BrokenNote::none;
        }
        if (error) {
            *error = errno;
        }
        return BrokenNote::failed;
    }
    const std::string expected =
        AliasScanner::sidecarText(platform_.storedProperties(allPropertiesKey, before));
    ReadFailure why;
    const std::optional<std::vector<std::uint8_t>> text =
        RegularFileReader::readAt(folder.get(), noteName.c_str(), expected.size() + 1, &st, &why);
    if (!text && why.kind == ReadFailure::Kind::unreadable) {
        if (error) {
            *error = why.error;
        }
        return BrokenNote::failed;
    }
    // Ours only when a scan could have written it: a plain file of one name, our very text.
    if (!text || st.st_nlink != 1 ||
        std::string_view(reinterpret_cast<const char*>(text->data()), text->size()) != expected) {
        return BrokenNote::kept;
    }
    if (::unlinkat(folder.get(), noteName.c_str(), 0) != 0) {
        if (error) {
            *error = errno;
        }
        return BrokenNote::failed;
    }
    return BrokenNote::removed;
}

} // namespace korvex
