#include "BookmarkRefresher.h"

#include "AliasPlatform.h"
#include "FileUrl.h"
#include "PathText.h"
#include "bookmark/BookmarkKeys.h"
#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace korvex {

namespace {

using bookmark::BookmarkInfo;

constexpr double unixToAppleEpoch = 978307200.0; // seconds from 1970-01-01 to 2001-01-01

// Kind bits of the resource flags: regular file, folder, symbolic link, volume.
constexpr std::uint64_t kindBits = 0xF;
// The valid mask (and third word) macOS writes in alias files.
constexpr std::uint64_t aliasFileMask = 0x21F;

} // namespace

void BookmarkRefresher::describeFile(const std::string& path, BookmarkInfo& info) const {
    // One file id (the inode number) per component, the target's last.
    std::vector<std::optional<std::int64_t>> ids;
    for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
        const std::string prefix = path.substr(0, at);
        struct stat st {};
        if (::fstatat(AT_FDCWD, prefix.c_str(), &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) == 0) {
            ids.emplace_back(static_cast<std::int64_t>(st.st_ino));
        } else {
            ids.emplace_back(std::nullopt);
        }
        if (at == std::string::npos) {
            break;
        }
    }
    if (ids.size() == info.pathComponents.size()) {
        info.fileIDs = std::move(ids);
    }

    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_TYPE | STATX_BTIME, &sx) == 0) {
        // A birth time of exactly 1970-01-01 is a file system that keeps none (overlays and
        // some FUSE file systems answer 0): the Mac's own date stays.
        const bool hasBirthTime =
            (sx.stx_mask & STATX_BTIME) && (sx.stx_btime.tv_sec != 0 || sx.stx_btime.tv_nsec != 0);
        if (hasBirthTime) {
            info.creationDate = static_cast<double>(sx.stx_btime.tv_sec) +
                                sx.stx_btime.tv_nsec / 1e9 - unixToAppleEpoch;
        }
        std::uint64_t kind = 0;
        if (S_ISREG(sx.stx_mode)) {
            kind = 0x1;
        } else if (S_ISDIR(sx.stx_mode)) {
            kind = 0x2;
        } else if (S_ISLNK(sx.stx_mode)) {
            kind = 0x4;
        }
        const MountPoint* mount = mounts_.holding(path);
        if (mount && mount->path == path) {
            kind |= 0x8;
        }
        // Keep what the Mac knew beyond the kind (hidden, package, application...).
        std::array<std::uint64_t, 3> props{kind, aliasFileMask, aliasFileMask};
        if (info.resourceProps) {
            props = *info.resourceProps;
            props[0] = (props[0] & ~kindBits) | kind;
            props[1] |= kindBits;
        }
        info.resourceProps = props;
    }
}

void BookmarkRefresher::describeVolume(const std::string& path, BookmarkInfo& info,
                                       bookmark::Bookmark& bookmark) const {
    const MountPoint* mount = mounts_.holding(path);
    // The stored volume, or a file system mounted above its mount point here (its mount point
    // is then just a folder of that one): the description stays as the Mac made it.
    if (!mount || (info.volumePath && isAtOrBelow(*info.volumePath, mount->path))) {
        return;
    }
    // A file system mounted below the stored volume holds the target: the old one's facts no
    // longer hold.
    namespace key = bookmark::key;
    for (const std::uint32_t stale :
         {key::volUuid, key::volCapacity, key::volCreationDate, key::volProps, key::volWasBoot}) {
        bookmark.erase(bookmark::tocId::target, stale);
    }
    info.volumeUUID.reset();
    info.volumeCreationDate.reset();
    info.volumeProps.reset();
    info.volumeWasBoot.reset();
    info.volumeCapacity.reset();

    info.volumePath = mount->path;
    info.volumeURL = fileUrlText(mount->path, true);
    if (mount->path != "/") {
        info.volumeName = std::string(lastComponent(mount->path));
    }
    struct statvfs fs {};
    if (::statvfs(mount->path.c_str(), &fs) == 0) {
        info.volumeCapacity =
            static_cast<std::int64_t>(fs.f_blocks) * static_cast<std::int64_t>(fs.f_frsize);
    }
}

std::optional<BookmarkData> BookmarkRefresher::refresh(const FileUrl& target,
                                                       const BookmarkData& previous) const {
    bookmark::BookmarkResult<bookmark::Bookmark> parsed = bookmark::BookmarkReader::read(previous);
    if (!parsed) {
        return std::nullopt;
    }
    bookmark::Bookmark& old = parsed.value();
    BookmarkInfo info = BookmarkInfo::from(old);
    if (!info.pathKnown) {
        return std::nullopt; // nothing says where the target is; never made into "/"
    }
    const std::optional<Resolution> resolution = resolver_.resolve(info);
    if (!resolution || resolution->target.path != target.path) {
        return std::nullopt;
    }
    if (resolution->isStale()) {
        // Found only in this machine's terms: the Mac's path and volume are kept as they are.
        return bookmark::BookmarkWriter::serialise(old);
    }
    describeFile(target.path, info);
    describeVolume(target.path, info, old);
    info.creationOptions = bookmarkCreationSuitableForBookmarkFile;
    return bookmark::BookmarkWriter::update(old, info);
}

} // namespace korvex
