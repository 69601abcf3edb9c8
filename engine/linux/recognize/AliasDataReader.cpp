#include "AliasDataReader.h"

#include "AppleDouble.h"
#include "AppleDoubleFiles.h"
#include "BookmarkReader.h"
#include "ClassicAliasRecord.h"
#include "FileDescriptor.h"
#include "RegularFileReader.h"
#include "ResourceFork.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <span>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace korvex {

namespace {

using Bytes = std::vector<std::uint8_t>;

/// The first errno met of the forks that could not be read (0: none yet), and, when asked
/// for (`damage`), what is wrong with the first fork that holds no record that can be read.
struct FirstError {
    int error = 0;
    std::string* damage = nullptr;

    std::nullopt_t note(int what) {
        if (error == 0) {
            error = what;
        }
        return std::nullopt;
    }
    void noteDamage(const std::string& where, const bookmark::BookmarkError& fault) {
        if (damage && damage->empty()) {
            *damage = "the resource fork in " + where + " holds no alias record that can be " +
                      "read: " + fault.message + " (at byte " + std::to_string(fault.offset) +
                      " of the fork)";
        }
    }
};

/// Where the file open at `fd` is, for people (only asked when a fork is damaged).
std::string placeOf(int fd) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    std::string path(4096, '\0');
    const ssize_t length = ::readlink(link, path.data(), path.size());
    return length > 0 ? path.substr(0, static_cast<std::size_t>(length)) : "an AppleDouble file";
}

/// `length` bytes from `offset` of the open file, or none when they can't all be read (a
/// system error noted in `errors`; a file cut short is none without one).
std::optional<Bytes> readRange(int fd, std::uint64_t offset, std::size_t length,
                               FirstError& errors) {
    Bytes bytes(length);
    std::size_t filled = 0;
    while (filled < length) {
        const ssize_t got = ::pread(fd, bytes.data() + filled, length - filled,
                                    static_cast<off_t>(offset + filled));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return errors.note(errno);
        }
        if (got == 0) {
            return std::nullopt;
        }
        filled += static_cast<std::size_t>(got);
    }
    return bytes;
}

/// The alias record in the resource fork `fork`, or none (what is wrong noted in `errors`,
/// with `where` the fork is, made only when asked for).
template <typename Where>
std::optional<Bytes> recordIn(std::span<const std::uint8_t> fork, FirstError& errors, Where where) {
    auto found = classic::ResourceFork::find(fork, classic::ResourceFork::aliasType);
    if (!found) {
        if (errors.damage) {
            errors.noteDamage(where(), found.error());
        }
        return std::nullopt;
    }
    auto record = classic::AliasRecord::read(found.value());
    if (!record) {
        if (errors.damage) {
            bookmark::BookmarkError fault = record.error();
            fault.offset += static_cast<std::size_t>(found.value().data() - fork.data());
            errors.noteDamage(where(), fault);
        }
        return std::nullopt;
    }
    return Bytes(found.value().begin(), found.value().end());
}

std::optional<Bytes> recordFromAttributes(int fd, FirstError& errors) {
    static constexpr std::array<const char*, 4> names{
        "user.DosStream.AFP_Resource:$DATA",
        "user.DosStream.AFP_Resource", // streams_xattr with store_stream_type = no
        "user.com.apple.ResourceFork",
        "osx.com.apple.ResourceFork",
    };
    for (const char* name : names) {
        const ssize_t size = ::fgetxattr(fd, name, nullptr, 0);
        if (size <= 0 || static_cast<std::size_t>(size) > AliasDataReader::limit) {
            if (size < 0 && errno == ENOTSUP) {
                return std::nullopt; // no attributes on this file system at all
            }
            if (size < 0 && errno != ENODATA) {
                errors.note(errno); // there may be a fork, but it can't be read
            }
            continue;
        }
        Bytes value(static_cast<std::size_t>(size));
        const ssize_t got = ::fgetxattr(fd, name, value.data(), value.size());
        if (got <= 0) {
            if (got < 0 && errno != ENODATA && errno != ERANGE) {
                errors.note(errno); // ERANGE: it grew meanwhile; ENODATA: removed meanwhile
            }
            continue;
        }
        value.resize(static_cast<std::size_t>(got));
        if ((name == names[0] || name == names[1]) && value.back() == 0) {
            value.pop_back(); // the stream store keeps one zero byte after the stream's data
        }
        if (std::optional<Bytes> record =
                recordIn(value, errors, [&] { return "the attribute " + std::string(name); })) {
            return record;
        }
    }
    return std::nullopt;
}

/// The resource fork of the AppleDouble file open at `fd` (entry 2).
std::optional<Bytes> forkOfAppleDouble(int fd, FirstError& errors) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        return errors.note(errno);
    }
    if (!S_ISREG(st.st_mode) || st.st_size <= 0) {
        return std::nullopt;
    }
    std::array<std::uint8_t, 4096> head;
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got < 0) {
        return errors.note(errno);
    }
    if (got == 0) {
        return std::nullopt;
    }
    constexpr std::uint32_t resourceForkEntry = 2;
    const std::optional<AppleDouble::Entry> entry =
        AppleDouble::findEntry(std::span(head.data(), static_cast<std::size_t>(got)),
                               static_cast<std::uint64_t>(st.st_size), resourceForkEntry);
    if (!entry || entry->length == 0 || entry->length > AliasDataReader::limit) {
        return std::nullopt;
    }
    return readRange(fd, entry->offset, entry->length, errors);
}

} // namespace

ReadResult<std::vector<std::uint8_t>> AliasDataReader::read(int folderFd, std::string_view name,
                                                            AppleDoubleFiles& files,
                                                            struct stat* dataFork,
                                                            std::string* damage) {
    const std::string cName(name);
    FileDescriptor fd(::openat(folderFd, cName.c_str(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) {
        return RegularFileReader::openFailure(errno);
    }
    ReadFailure why;
    std::optional<Bytes> data = RegularFileReader::readOpen(fd.get(), limit, dataFork, &why);
    if (!data) {
        return why; // no regular file, over the limit, or the system's refusal
    }
    if (bookmark::BookmarkReader::read(*data)) {
        return std::move(*data);
    }
    FirstError errors;
    errors.damage = damage;
    if (std::optional<Bytes> record = recordFromAttributes(fd.get(), errors)) {
        return std::move(*record);
    }
    for (FileDescriptor sidecar = files.openNext(); sidecar; sidecar = files.openNext()) {
        if (std::optional<Bytes> fork = forkOfAppleDouble(sidecar.get(), errors)) {
            if (std::optional<Bytes> record =
                    recordIn(*fork, errors, [&] { return placeOf(sidecar.get()); })) {
                return std::move(*record);
            }
        }
    }
    errors.note(files.error());
    // A fork that could not be read may hold the record: unknown, not damaged.
    return errors.error != 0 ? ReadFailure::unreadable(errors.error) : ReadFailure::damaged();
}

ReadResult<std::vector<std::uint8_t>> AliasDataReader::readPath(const std::string& path,
                                                                std::string* damage) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 == path.size()) {
        return ReadFailure::gone();
    }
    const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd) {
        return RegularFileReader::openFailure(errno);
    }
    const std::string_view name = std::string_view(path).substr(slash + 1);
    AppleDoubleFiles files(folderFd.get(), folder, name);
    return read(folderFd.get(), name, files, nullptr, damage);
}

} // namespace korvex
