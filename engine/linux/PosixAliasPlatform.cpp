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

/// A write that AtomicFile or InPlaceRewrite did not do, with errno cleared before it: the
/// system's reason; when no call failed, the file changed in between (their one refusal that
/// sets no errno).
WriteResult writeFailure() {
    return errno != 0 ? WriteResult::failed(errno)
                      : WriteResult::refused(KORVEX_TRANSLATE_NOOP(
                            "WriteResult", "it changed while it was being written"));
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
                                 std::max<std::size_t>(walkThreads_, 1), walkPoolAfterReads_);
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

ReadResult<FileUrl> PosixAliasPlatform::resolveBookmarkData(const BookmarkData& data, std::uint32_t,
                                                            bool& isStale) {
    // Whatever the options ask, nothing is ever mounted and nobody is ever asked.
    bookmark::BookmarkResult<classic::AliasContent> parsed = classic::ClassicAlias::read(data);
    if (!parsed) {
        return ReadFailure::damaged();
    }
    mounts();
    ReadResult<Resolution> found =
        resolver_.resolve(bookmark::BookmarkInfo::from(parsed->bookmark));
    if (!found) {
        return found.failure();
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

ReadResult<BookmarkData> PosixAliasPlatform::makeBookmarkData(const FileUrl& target,
                                                              std::uint32_t options,
                                                              const BookmarkData& previous) {
    if (options != bookmarkCreationSuitableForBookmarkFile) {
        return ReadFailure::damaged();
    }
    mounts();
    return refresher_.refresh(target, previous);
}

WriteResult PosixAliasPlatform::writeBookmarkData(const BookmarkData& data, const FileUrl& item) {
    bookmark::BookmarkResult<bookmark::Bookmark> parsed = bookmark::BookmarkReader::read(data);
    if (!parsed) {
        // Never put bytes into an alias that no reader could use.
        return WriteResult::refused(
            KORVEX_TRANSLATE_NOOP("WriteResult", "the new bookmark data can't be read back"));
    }
    int folderFd = -1;
    std::string_view name;
    if (!walkedEntry(item, folderFd, name) || folderFd != lastRead_.folderFd ||
        name != lastRead_.name) {
        return WriteResult::refused(
            KORVEX_TRANSLATE_NOOP("WriteResult", "it is not the alias file read last"));
    }
    // The file to replace must be the one that was read, as it was read.
    FileDescriptor current(::openat(folderFd, lastRead_.name.c_str(),
                                    O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!current && RegularFileReader::openFailure(errno).kind == ReadFailure::Kind::unreadable) {
        return WriteResult::failed(errno);
    }
    struct stat st {};
    ReadFailure why;
    std::optional<std::vector<std::uint8_t>> bytes =
        current
            ? RegularFileReader::readOpen(current.get(), RegularFileReader::defaultLimit, &st, &why)
            : std::nullopt;
    if (!bytes && why.kind == ReadFailure::Kind::unreadable) {
        return WriteResult::failed(why.error);
    }
    if (!bytes || st.st_dev != lastRead_.device || st.st_ino != lastRead_.inode ||
        *bytes != lastRead_.bytes) {
        return WriteResult::refused(
            KORVEX_TRANSLATE_NOOP("WriteResult", "it changed since it was read"));
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
        return {}; // nothing would change: the file stays as it is
    }
    errno = 0; // the writers leave the errno of the call that failed
    if (st.st_nlink > 1) {
        // Its other names must see the new data too: the same inode is written.
        if (!InPlaceRewrite(fileCalls_)
                 .write(folderFd, name, st.st_dev, st.st_ino, *bytes, written)) {
            return writeFailure();
        }
        return {};
    }
    const AtomicFile::Original original{current.get(), st.st_dev, st.st_ino,
                                        st.st_uid,     st.st_gid, st.st_mode};
    AtomicFile::Request request;
    request.original = &original;
    if (!AtomicFile(fileCalls_).write(folderFd, name, written, request)) {
        return writeFailure();
    }
    return {};
}

WriteResult PosixAliasPlatform::writeText(std::string_view text, const FileUrl& beside,
                                          std::string_view suffix) {
    int folderFd = -1;
    std::string_view aliasName;
    if (!walkedEntry(beside, folderFd, aliasName)) {
        return WriteResult::refused(
            KORVEX_TRANSLATE_NOOP("WriteResult", "it is not beside a walked entry"));
    }
    if (aliasName.size() + suffix.size() > NAME_MAX) {
        return WriteResult::failed(ENAMETOOLONG);
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
        if (!S_ISREG(st.st_mode) || st.st_nlink != 1) {
            return WriteResult::refused(KORVEX_TRANSLATE_NOOP(
                "WriteResult", "its name is taken by something other than a plain file"));
        }
        const ReadResult<std::string_view> type = recognizer_.typeIdentifierAt(folderFd, name);
        if (type.unreadable()) {
            return WriteResult::failed(type.failure().error);
        }
        if (!type) {
            return WriteResult::refused(
                KORVEX_TRANSLATE_NOOP("WriteResult", "it changed while it was looked at"));
        }
        if (*type != TypeIds::data) {
            return WriteResult::refused(
                KORVEX_TRANSLATE_NOOP("WriteResult", "its name is taken by a Finder alias"));
        }
        existing.reset(::openat(folderFd, name.c_str(),
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat opened {};
        if (!existing || ::fstat(existing.get(), &opened) != 0) {
            return WriteResult::failed(errno);
        }
        if (opened.st_dev != st.st_dev || opened.st_ino != st.st_ino) {
            return WriteResult::refused(
                KORVEX_TRANSLATE_NOOP("WriteResult", "it changed while it was looked at"));
        }
        original = AtomicFile::Original{existing.get(), st.st_dev, st.st_ino,
                                        st.st_uid,      st.st_gid, st.st_mode};
        request.original = &original;
    } else if (errno != ENOENT) {
        return WriteResult::failed(errno);
    }
    errno = 0;
    if (!AtomicFile(fileCalls_).write(folderFd, name, bytesOf(text), request)) {
        return writeFailure();
    }
    return {};
}

} // namespace korvex
