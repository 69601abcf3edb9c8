#include "PosixAliasPlatform.h"

#include "AliasDataReader.h"
#include "AppleDoubleFiles.h"
#include "AtomicFile.h"
#include "BookmarkDescription.h"
#include "BookmarkReader.h"
#include "BookmarkWriter.h"
#include "ClassicAlias.h"
#include "FileDescriptor.h"
#include "FolderListing.h"
#include "InPlaceRewrite.h"
#include "PosixFolderWalk.h"
#include "RegularFileReader.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <span>
#include <sys/stat.h>

namespace korvex {

namespace {

/// The folder descriptor and bare name of a walked entry; none for any other URL.
bool walkedEntry(const FileUrl& item, int& folderFd, std::string_view& name) {
    if (!item.entry || item.entry->folderFd < 0 || item.entry->name.empty()) {
        return false;
    }
    folderFd = item.entry->folderFd;
    name = item.entry->name;
    return true;
}

std::span<const std::uint8_t> bytesOf(std::string_view text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

} // namespace

PosixAliasPlatform::PosixAliasPlatform(std::vector<PathMapping> mappings,
                                       MountTableSource mountTable, FileCalls& fileCalls)
    : mountTableSource_(std::move(mountTable)), resolver_(std::move(mappings), mountTable_),
      refresher_(resolver_, mountTable_), fileCalls_(fileCalls) {}

PosixAliasPlatform::~PosixAliasPlatform() = default;

const MountTable& PosixAliasPlatform::mounts() {
    if (!mountTableRead_) {
        mountTable_ = mountTableSource_ ? mountTableSource_() : MountTable();
        mountTableRead_ = true;
    }
    return mountTable_;
}

std::unique_ptr<FolderWalk> PosixAliasPlatform::openWalk(const std::string& folderPath) {
    mountTableRead_ = false; // mounts may have changed since the last scan
    return PosixFolderWalk::open(folderPath, recognizer_, &mounts(), walkThreads_ > 0,
                                 std::max<std::size_t>(walkThreads_, 1));
}

void PosixAliasPlatform::itemUrl(const WalkEntry& entry, const FileUrl& folderUrl, FileUrl& into) {
    makeItemUrl(entry.relativePath, folderUrl, into);
    into.entry = &entry;
}

ReadResult<std::string_view> PosixAliasPlatform::typeIdentifier(const FileUrl& item) {
    if (item.entry && item.entry->typeKnown) {
        return item.entry->type;
    }
    int folderFd = -1;
    std::string_view name;
    if (walkedEntry(item, folderFd, name)) {
        return recognizer_.typeIdentifierAt(folderFd, std::string(name));
    }
    return recognizer_.typeIdentifier(item.path);
}

ReadResult<BookmarkData> PosixAliasPlatform::readBookmarkData(const FileUrl& item) {
    int folderFd = -1;
    std::string_view name;
    if (!walkedEntry(item, folderFd, name)) {
        return ReadFailure::gone(); // only walked entries are read
    }
    lastRead_.folderFd = -1;
    lastRead_.name.assign(name);
    struct stat st {};
    ReadResult<std::vector<std::uint8_t>> bytes;
    if (item.entry->folder) {
        AppleDoubleFiles files(*static_cast<const FolderListing*>(item.entry->folder), name);
        bytes = AliasDataReader::read(folderFd, name, files, &st);
    } else {
        AppleDoubleFiles files(folderFd, std::string(), name);
        bytes = AliasDataReader::read(folderFd, name, files, &st);
    }
    if (!bytes) {
        return bytes.failure();
    }
    lastRead_.folderFd = folderFd;
    lastRead_.device = st.st_dev;
    lastRead_.inode = st.st_ino;
    lastRead_.bytes = *bytes; // a classic record is never written back: it won't match
    return bytes;
}

std::optional<FileUrl> PosixAliasPlatform::resolveBookmarkData(const BookmarkData& data,
                                                               std::uint32_t, bool& isStale) {
    // Whatever the options ask, nothing is ever mounted and nobody is ever asked.
    bookmark::BookmarkResult<classic::AliasContent> parsed = classic::ClassicAlias::read(data);
    if (!parsed) {
        return std::nullopt;
    }
    mounts();
    std::optional<Resolution> found =
        resolver_.resolve(bookmark::BookmarkInfo::from(parsed->bookmark));
    if (!found) {
        return std::nullopt;
    }
    isStale = found->isStale();
    return fileUrlWithPath(std::move(found->target.path), found->target.isDirectory);
}

std::optional<std::string> PosixAliasPlatform::storedProperties(std::string_view key,
                                                                const BookmarkData& data) {
    if (key != allPropertiesKey) {
        return std::nullopt;
    }
    bookmark::BookmarkResult<classic::AliasContent> parsed = classic::ClassicAlias::read(data);
    if (!parsed) {
        return std::nullopt;
    }
    return bookmark::BookmarkDescription::describe(parsed->bookmark, storedPropertiesLimit);
}

bool PosixAliasPlatform::refreshable(const BookmarkData& data) {
    // A classic alias record stays as it is: see the class comment.
    return bookmark::BookmarkReader::read(data).ok();
}

std::optional<BookmarkData> PosixAliasPlatform::makeBookmarkData(const FileUrl& target,
                                                                 std::uint32_t options,
                                                                 const BookmarkData& previous) {
    if (options != bookmarkCreationSuitableForBookmarkFile) {
        return std::nullopt;
    }
    mounts();
    return refresher_.refresh(target, previous);
}

bool PosixAliasPlatform::writeBookmarkData(const BookmarkData& data, const FileUrl& item) {
    bookmark::BookmarkResult<bookmark::Bookmark> parsed = bookmark::BookmarkReader::read(data);
    if (!parsed) {
        return false; // never put bytes into an alias that no reader could use
    }
    int folderFd = -1;
    std::string_view name;
    if (!walkedEntry(item, folderFd, name) || folderFd != lastRead_.folderFd ||
        name != lastRead_.name) {
        return false;
    }
    // The file to replace must be the one that was read, as it was read.
    FileDescriptor current(::openat(folderFd, lastRead_.name.c_str(),
                                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    struct stat st {};
    std::optional<std::vector<std::uint8_t>> bytes =
        current ? RegularFileReader::readOpen(current.get(), RegularFileReader::defaultLimit, &st)
                : std::nullopt;
    if (!bytes || st.st_dev != lastRead_.device || st.st_ino != lastRead_.inode ||
        *bytes != lastRead_.bytes) {
        return false;
    }
    // Keep the form the file had: an alias-file header stays one, a bare bookmark stays bare.
    std::vector<std::uint8_t> reshaped;
    bookmark::BookmarkResult<bookmark::Bookmark> old = bookmark::BookmarkReader::read(*bytes);
    if (old && old->container != parsed->container) {
        parsed->container = old->container;
        parsed->header.clear();
        reshaped = bookmark::BookmarkWriter::serialise(parsed.value());
    }
    const std::span<const std::uint8_t> written =
        reshaped.empty() ? std::span<const std::uint8_t>(data) : reshaped;
    lastRead_.folderFd = -1; // what was read is gone now
    if (std::ranges::equal(written, *bytes)) {
        return true; // nothing would change: the file stays as it is
    }
    if (st.st_nlink > 1) {
        // Its other names must see the new data too: the same inode is written.
        return InPlaceRewrite(fileCalls_)
            .write(folderFd, name, st.st_dev, st.st_ino, *bytes, written);
    }
    const AtomicFile::Original original{current.get(), st.st_dev, st.st_ino,
                                        st.st_uid,     st.st_gid, st.st_mode};
    AtomicFile::Request request;
    request.original = &original;
    return AtomicFile(fileCalls_).write(folderFd, name, written, request);
}

bool PosixAliasPlatform::writeText(std::string_view text, const FileUrl& beside,
                                   std::string_view suffix) {
    int folderFd = -1;
    std::string_view aliasName;
    if (!walkedEntry(beside, folderFd, aliasName) || aliasName.size() + suffix.size() > NAME_MAX) {
        return false;
    }
    std::string name(aliasName);
    name += suffix;

    AtomicFile::Request request;
    request.durable = false; // a note, made again by the next scan: not worth a flush each
    AtomicFile::Original original;
    FileDescriptor existing;
    struct stat st {};
    if (::fstatat(folderFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        // Only a plain regular file of its own is ever replaced: not a link, a device, a
        // folder, a file with other names elsewhere (its content would change there too), or a
        // Finder alias that happens to have this name.
        if (!S_ISREG(st.st_mode) || st.st_nlink != 1 ||
            recognizer_.typeIdentifierAt(folderFd, name) != TypeIds::data) {
            return false;
        }
        existing.reset(::openat(folderFd, name.c_str(),
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat opened {};
        if (!existing || ::fstat(existing.get(), &opened) != 0 || opened.st_dev != st.st_dev ||
            opened.st_ino != st.st_ino) {
            return false;
        }
        original = AtomicFile::Original{existing.get(), st.st_dev, st.st_ino,
                                        st.st_uid,      st.st_gid, st.st_mode};
        request.original = &original;
    } else if (errno != ENOENT) {
        return false;
    }
    return AtomicFile(fileCalls_).write(folderFd, name, bytesOf(text), request);
}

} // namespace korvex
