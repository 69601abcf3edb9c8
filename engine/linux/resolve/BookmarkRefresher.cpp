#include "BookmarkRefresher.h"

#include "AliasPlatform.h"
#include "BookmarkKeys.h"
#include "BookmarkReader.h"
#include "BookmarkVolumeChange.h"
#include "BookmarkWriter.h"
#include "FileUrl.h"
#include "MacCreationDate.h"
#include "PathFileIds.h"
#include "PathText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace korvex {

namespace {

using bookmark::BookmarkInfo;

// Kind bits of the resource flags: regular file, folder, symbolic link, volume.
constexpr std::uint64_t kindBits = 0xF;
// The valid mask (and third word) macOS writes in alias files.
constexpr std::uint64_t aliasFileMask = 0x21F;

} // namespace

void BookmarkRefresher::describeFile(const std::string& path, bool volumeChanged,
                                     BookmarkInfo& info) const {
    // File ids only where this file system's own ids are what its Mac knows; elsewhere what
    // the Mac stored stays (see PathFileIds).
    const PathFileIds local = PathFileIds::of(path);
    const std::size_t count = info.pathComponents.size();
    if (local.ids.size() == count && count > 0) {
        const bool stored = info.fileIDs.size() == count;
        const bool noIds = bookmark::BookmarkVolumeInfo::saysNoPersistentIds(info.volumeProps);
        std::vector<std::optional<std::int64_t>> ids(count);
        for (std::size_t i = 0; i < count; ++i) {
            if (i >= local.firstOnTarget && local.ids[i] && !noIds) {
                ids[i] = local.ids[i];
            } else if (stored && !(i >= local.firstOnTarget && volumeChanged)) {
                ids[i] = info.fileIDs[i];
            }
        }
        info.fileIDs = std::move(ids);
    }

    struct statx sx {};
    if (::statx(AT_FDCWD, path.c_str(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_TYPE | STATX_BTIME, &sx) == 0) {
        // The Mac's own date where none of the sources has one.
        if (std::optional<double> created = MacCreationDate::of({-1, nullptr, path.c_str()}, sx)) {
            info.creationDate = created;
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

bool BookmarkRefresher::describeVolume(const std::string& path, BookmarkInfo& info,
                                       bookmark::Bookmark& bookmark) const {
    const MountPoint* mount = mounts_.holding(path);
    // The stored volume, or a file system mounted above its mount point here (its mount point
    // is then just a folder of that one): the description stays as the Mac made it.
    if (!mount || (info.volumePath && isAtOrBelow(*info.volumePath, mount->path))) {
        return false;
    }
    // A file system mounted below the stored volume holds the target: none of the old one's
    // facts hold (BookmarkVolumeChange), nor does a disk image it lived in.
    bookmark::BookmarkVolumeChange::forgetVolume(bookmark);
    info.volumeUUID.reset();
    info.volumeCreationDate.reset();
    info.volumeProps.reset();
    info.volumeWasBoot.reset();
    info.volumeCapacity.reset();
    info.volumeName.reset();
    info.diskImage.reset();

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
    return true;
}

ReadResult<BookmarkData> BookmarkRefresher::refresh(const FileUrl& target,
                                                    const BookmarkData& previous) const {
    bookmark::BookmarkResult<bookmark::Bookmark> parsed = bookmark::BookmarkReader::read(previous);
    if (!parsed) {
        return ReadFailure::damaged();
    }
    bookmark::Bookmark& old = parsed.value();
    BookmarkInfo info = BookmarkInfo::from(old);
    if (!info.pathKnown) {
        return ReadFailure::damaged(); // nothing says where the target is; never made into "/"
    }
    const ReadResult<Resolution> resolution = resolver_.resolve(info);
    if (!resolution) {
        // Refused on the way: the system's reason; else the target is no longer found.
        return resolution.unreadable() ? resolution.failure() : ReadFailure::gone();
    }
    if (resolution->target.path != target.path) {
        return ReadFailure::gone(); // moved since it was resolved
    }
    if (resolution->isStale()) {
        // Found only in this machine's terms: the Mac's path and volume are kept as they are.
        return bookmark::BookmarkWriter::serialise(old);
    }
    // The stored volume's word on ids is read before a volume change drops it.
    BookmarkInfo file = info;
    const bool volumeChanged = describeVolume(target.path, info, old);
    describeFile(target.path, volumeChanged, file);
    info.fileIDs = file.fileIDs;
    info.creationDate = file.creationDate;
    info.resourceProps = file.resourceProps;
    info.creationOptions = bookmarkCreationSuitableForBookmarkFile;
    return bookmark::BookmarkWriter::update(old, info);
}

} // namespace korvex
