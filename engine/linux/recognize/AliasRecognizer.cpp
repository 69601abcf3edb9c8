#include "AliasRecognizer.h"

#include "AfpInfo.h"
#include "AliasDataFork.h"
#include "AppleDouble.h"
#include "AppleDoubleFiles.h"
#include "AtomicFile.h"
#include "FileDescriptor.h"
#include "FinderInfo.h"
#include "FolderListing.h"
#include "SystemXattrSource.h"
#include "WalkPolicy.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace korvex {

namespace {

/// What one place that may hold FinderInfo said about the entry: nothing, alias, not an
/// alias, the entry is gone, or the place could not be read (`error`: the errno).
struct Verdict {
    enum Kind { none, alias, notAlias, vanished, unreadable } kind = none;
    int error = 0;

    Verdict(Kind k = none) : kind(k) {}
    static Verdict failed(int error) {
        Verdict verdict(unreadable);
        verdict.error = error;
        return verdict;
    }
    bool operator==(Kind k) const { return kind == k; }
};

Verdict verdictOf(const std::optional<FinderInfo>& info) {
    if (!info || info->isZero()) {
        return Verdict::none;
    }
    return info->isAlias() ? Verdict::alias : Verdict::notAlias;
}

/// A system call's failure as an answer: gone when the entry is, else unreadable with errno.
ReadFailure failureOf(int error) {
    return error == ENOENT || error == ENOTDIR ? ReadFailure::gone()
                                               : ReadFailure::unreadable(error);
}

/// The FinderInfo attributes, in the order they are believed.
struct Carrier {
    const char* name;
    std::optional<FinderInfo> (*parse)(std::span<const std::uint8_t>);
};
constexpr std::array<Carrier, 6> carriers{{
    {"osx.com.apple.FinderInfo", &FinderInfo::fromRaw},
    {"user.com.apple.FinderInfo", &FinderInfo::fromRaw},
    {"user.DosStream.AFP_AfpInfo:$DATA", &AfpInfo::finderInfo},
    {"user.DosStream.AFP_AfpInfo", &AfpInfo::finderInfo},
    {"user.org.netatalk.Metadata", &AppleDouble::finderInfo},
    {"org.netatalk.Metadata", &AppleDouble::finderInfo},
}};

constexpr std::size_t xattrValueMax = 65536;

std::string_view typeOfMode(mode_t mode) {
    if (S_ISREG(mode)) {
        return TypeIds::data;
    }
    if (S_ISDIR(mode)) {
        return TypeIds::folder;
    }
    if (S_ISLNK(mode)) {
        return TypeIds::symlink;
    }
    return TypeIds::item;
}

unsigned char dTypeOfMode(mode_t mode) {
    if (S_ISREG(mode)) {
        return DT_REG;
    }
    if (S_ISDIR(mode)) {
        return DT_DIR;
    }
    if (S_ISLNK(mode)) {
        return DT_LNK;
    }
    return DT_UNKNOWN + 0x40; // anything else: never a candidate
}

/// Files that are never aliases whatever they hold: AppleDouble sidecars, and the temporary
/// files of safe writes (also those a crash left behind, and those of earlier versions).
bool isNeverAliasName(std::string_view name) {
    return (name.size() > 2 && name.starts_with("._")) ||
           name.starts_with(AtomicFile::temporaryPrefix) || name.starts_with(".korvex-refresh-");
}

/// Reads a whole attribute value, growing the buffer once when the first one is too small.
Verdict readCarrier(const XattrSource& xattrs, const XattrSource::Item& path,
                    const Carrier& carrier) {
    std::array<std::uint8_t, 512> small;
    std::size_t length = 0;
    XattrSource::Result result = xattrs.get(path, carrier.name, small, length);
    std::vector<std::uint8_t> large;
    std::span<const std::uint8_t> value(small.data(), length);
    if (result == XattrSource::Result::tooSmall) {
        large.resize(xattrValueMax);
        result = xattrs.get(path, carrier.name, large, length);
        value = std::span(large.data(), length);
    }
    switch (result) {
    case XattrSource::Result::ok:
        return verdictOf(carrier.parse(value));
    case XattrSource::Result::vanished:
        return Verdict::vanished;
    case XattrSource::Result::failed:
        return Verdict::failed(errno); // it is there, and may say "alias"
    default:
        return Verdict::none; // removed meanwhile, or larger than any FinderInfo carrier
    }
}

/// Which carriers a NUL-separated list of attribute names holds, as bits in carrier order.
unsigned carriersIn(std::string_view names) {
    unsigned found = 0;
    while (!names.empty()) {
        const std::size_t end = names.find('\0');
        const std::string_view name = names.substr(0, end);
        for (std::size_t i = 0; i < carriers.size(); ++i) {
            if (name == carriers[i].name) {
                found |= 1u << i;
            }
        }
        if (end == std::string_view::npos) {
            break;
        }
        names.remove_prefix(end + 1);
    }
    return found;
}

Verdict fromXattrs(const XattrSource& xattrs, const XattrSource::Item& path) {
    std::array<char, 1024> small;
    std::vector<char> large;
    std::span<char> buffer = small;
    std::size_t length = 0;
    XattrSource::Result result = xattrs.list(path, buffer, length);
    if (result == XattrSource::Result::tooSmall) {
        large.resize(xattrValueMax);
        buffer = large;
        result = xattrs.list(path, buffer, length);
    }
    if (result == XattrSource::Result::vanished) {
        return Verdict::vanished;
    }
    if (result == XattrSource::Result::failed) {
        return Verdict::failed(errno);
    }
    if (result != XattrSource::Result::ok || length == 0) {
        return Verdict::none;
    }
    const unsigned present = carriersIn(std::string_view(buffer.data(), length));
    for (std::size_t i = 0; i < carriers.size(); ++i) {
        if (present & (1u << i)) {
            const Verdict verdict = readCarrier(xattrs, path, carriers[i]);
            if (!(verdict == Verdict::none)) {
                return verdict;
            }
        }
    }
    return Verdict::none;
}

/// FinderInfo from the AppleDouble file open at `fd`.
Verdict fromAppleDoubleFile(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        return Verdict::failed(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return Verdict::none;
    }
    std::array<std::uint8_t, 4096> head;
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    if (got < 0) {
        return Verdict::failed(errno);
    }
    if (got == 0) {
        return Verdict::none;
    }
    const std::span<const std::uint8_t> bytes(head.data(), static_cast<std::size_t>(got));
    const std::uint64_t size = std::max<std::uint64_t>(st.st_size, bytes.size());
    std::optional<AppleDouble::Entry> found =
        AppleDouble::findEntry(bytes, size, AppleDouble::finderInfoEntry);
    if (!found || found->length < FinderInfo::size) {
        return Verdict::none;
    }
    if (std::uint64_t{found->offset} + FinderInfo::size <= bytes.size()) {
        return verdictOf(FinderInfo::fromPrefix(bytes.subspan(found->offset)));
    }
    FinderInfo info;
    const ssize_t read = ::pread(fd, info.bytes.data(), info.bytes.size(), found->offset);
    if (read < 0) {
        return Verdict::failed(errno);
    }
    return read == static_cast<ssize_t>(info.bytes.size()) ? verdictOf(info) : Verdict::none;
}

/// FinderInfo from the entry's AppleDouble files: `._NAME`, `.AppleDouble/NAME`, then the
/// `__MACOSX` trees above it; the first that holds a non-zero one decides.
Verdict fromAppleDoubleFiles(const AliasRecognizer::Entry& entry) {
    std::optional<AppleDoubleFiles> onDisk;
    std::optional<AppleDoubleFiles> listed;
    AppleDoubleFiles* files = nullptr;
    if (entry.listing) {
        files = &listed.emplace(*entry.listing, entry.name);
    } else {
        const std::string_view path = entry.path ? std::string_view(entry.path) : "";
        const std::size_t slash = path.rfind('/');
        std::string folder(slash == std::string_view::npos ? std::string_view()
                           : slash == 0                    ? std::string_view("/")
                                                           : path.substr(0, slash));
        files = &onDisk.emplace(entry.folderFd, std::move(folder), entry.name);
    }
    for (FileDescriptor fd = files->openNext(); fd; fd = files->openNext()) {
        const Verdict verdict = fromAppleDoubleFile(fd.get());
        if (!(verdict == Verdict::none)) {
            return verdict;
        }
    }
    return files->error() != 0 ? Verdict::failed(files->error()) : Verdict::none;
}

/// Whether `path` lies inside a metadata folder (`.AppleDouble`, `__MACOSX`).
bool insideMetadataFolder(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    std::string_view rest = path.substr(0, slash == std::string_view::npos ? 0 : slash);
    while (!rest.empty()) {
        const std::size_t end = rest.find('/');
        if (WalkPolicy::isMetadataFolder(rest.substr(0, end))) {
            return true;
        }
        if (end == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(end + 1);
    }
    return false;
}

} // namespace

namespace TypeIds {

namespace {
constexpr std::array<std::string_view, 5> coded{alias, folder, symlink, data, item};
/// Codes from here on: an entry that could not be examined, code - unreadableCode = errno.
constexpr std::uint8_t unreadableCode = 8;
} // namespace

std::uint8_t code(const ReadResult<std::string_view>& answer) {
    if (!answer) {
        if (!answer.unreadable()) {
            return 0;
        }
        const int error = answer.failure().error;
        // Every errno of Linux fits; anything else is still an error the system gave.
        return static_cast<std::uint8_t>(
            unreadableCode + (error > 0 && error <= 255 - unreadableCode ? error : EIO));
    }
    for (std::size_t i = 0; i < coded.size(); ++i) {
        if (*answer == coded[i]) {
            return static_cast<std::uint8_t>(i + 1);
        }
    }
    return 0;
}

ReadResult<std::string_view> fromCode(std::uint8_t code) {
    if (code >= unreadableCode) {
        return ReadFailure::unreadable(code - unreadableCode);
    }
    if (code == 0 || code > coded.size()) {
        return ReadFailure::gone();
    }
    return coded[code - 1];
}

} // namespace TypeIds

AliasRecognizer::AliasRecognizer() : xattrs_(std::make_shared<SystemXattrSource>()) {}

AliasRecognizer::AliasRecognizer(std::shared_ptr<const XattrSource> xattrs)
    : xattrs_(std::move(xattrs)) {}

AliasRecognizer::~AliasRecognizer() = default;

bool AliasRecognizer::xattrsSupported(int folderFd, dev_t device) const {
    {
        std::lock_guard lock(devicesMutex_);
        for (const auto& [known, supported] : devices_) {
            if (known == device) {
                return supported;
            }
        }
    }
    const bool supported = xattrs_->supported(folderFd);
    std::lock_guard lock(devicesMutex_);
    if (devices_.size() < 64) {
        devices_.emplace_back(device, supported);
    }
    return supported;
}

ReadResult<std::string_view>
AliasRecognizer::typeIdentifier(const std::string& absolutePath) const {
    const std::string_view whole = absolutePath;
    const std::size_t slash = whole.rfind('/');
    const std::string folder(slash == std::string_view::npos ? std::string_view(".")
                             : slash == 0                    ? std::string_view("/")
                                                             : whole.substr(0, slash));
    const std::string name(slash == std::string_view::npos ? whole : whole.substr(slash + 1));
    if (name.empty() || name == "." || name == ".." || insideMetadataFolder(absolutePath)) {
        // Nothing inside `.AppleDouble` or `__MACOSX` is an alias: those hold metadata.
        struct stat st;
        if (::lstat(absolutePath.c_str(), &st) != 0) {
            return failureOf(errno);
        }
        return typeOfMode(st.st_mode);
    }
    FileDescriptor fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    FileDescriptor pathFd(fd.get() < 0 ? ::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)
                                       : -1);
    const int folderFd = fd.get() >= 0 ? fd.get() : pathFd.get();
    struct stat st;
    if (folderFd < 0 || ::fstat(folderFd, &st) != 0) {
        return failureOf(errno);
    }
    Entry entry;
    entry.folderFd = folderFd;
    entry.name = name;
    entry.type = DT_UNKNOWN;
    entry.path = absolutePath.c_str();
    entry.xattrs = xattrsSupported(folderFd, st.st_dev);
    return typeIdentifier(entry);
}

ReadResult<std::string_view> AliasRecognizer::typeIdentifierAt(int folderFd,
                                                               const std::string& name) const {
    struct stat st;
    if (::fstat(folderFd, &st) != 0) {
        return failureOf(errno);
    }
    Entry entry;
    entry.folderFd = folderFd;
    entry.name = name;
    entry.type = DT_UNKNOWN;
    entry.path = nullptr; // the attribute calls go through the descriptor
    entry.xattrs = xattrsSupported(folderFd, st.st_dev);
    return typeIdentifier(entry);
}

ReadResult<std::string_view> AliasRecognizer::typeIdentifier(const Entry& entry) const {
    struct stat st;
    bool haveStat = false;
    unsigned char type = entry.type;
    if (type == DT_UNKNOWN) {
        if (::fstatat(entry.folderFd, entry.name.data(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            return failureOf(errno);
        }
        haveStat = true;
        type = dTypeOfMode(st.st_mode);
    }
    switch (type) {
    case DT_REG:
        break;
    case DT_DIR:
        return TypeIds::folder;
    case DT_LNK:
        return TypeIds::symlink;
    default:
        return TypeIds::item;
    }
    if (isNeverAliasName(entry.name)) {
        return TypeIds::data;
    }
    // Makes sure of what the listing said (some file systems call every file DT_REG, links
    // included) and learns the size; once per entry at most.
    auto statOnce = [&]() -> bool {
        if (!haveStat) {
            if (::fstatat(entry.folderFd, entry.name.data(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
                return false;
            }
            haveStat = true;
        }
        return true;
    };

    Verdict verdict = entry.xattrs
                          ? fromXattrs(*xattrs_, {entry.folderFd, entry.name.data(), entry.path})
                          : Verdict::none;
    if (verdict == Verdict::none) {
        verdict = fromAppleDoubleFiles(entry);
    }
    switch (verdict.kind) {
    case Verdict::vanished:
        return ReadFailure::gone();
    case Verdict::unreadable:
        // A FinderInfo that is there but can't be read may say "alias": nothing after it can
        // tell, and the data fork is read by the same rights.
        return failureOf(verdict.error);
    case Verdict::notAlias:
        return TypeIds::data;
    case Verdict::alias:
        if (!statOnce()) {
            return failureOf(errno);
        }
        return S_ISREG(st.st_mode) ? TypeIds::alias : typeOfMode(st.st_mode);
    case Verdict::none:
        break;
    }

    // No FinderInfo anywhere: the data fork decides.
    if (!statOnce()) {
        return failureOf(errno);
    }
    if (!S_ISREG(st.st_mode)) {
        return typeOfMode(st.st_mode);
    }
    if (!AliasDataFork::sizeFits(static_cast<std::uint64_t>(st.st_size))) {
        return TypeIds::data;
    }
    FileDescriptor fd(::openat(entry.folderFd, entry.name.data(),
                               O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (fd.get() < 0) {
        // A link or a pipe put there since the look: no alias. Anything else the system
        // refused leaves it unknown whether this is an alias whose metadata was lost.
        return errno == ELOOP || errno == ENXIO || errno == ENODEV ? ReadResult(TypeIds::data)
                                                                   : failureOf(errno);
    }
    std::array<std::uint8_t, AliasDataFork::probeSize> head;
    const ssize_t got = ::pread(fd.get(), head.data(), head.size(), 0);
    if (got < 0) {
        return failureOf(errno);
    }
    if (got != static_cast<ssize_t>(head.size())) {
        return TypeIds::data;
    }
    return AliasDataFork::headerFits(head, static_cast<std::uint64_t>(st.st_size)) ? TypeIds::alias
                                                                                   : TypeIds::data;
}

} // namespace korvex
