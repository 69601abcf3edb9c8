#include "RelinkedBookmark.h"

#include "FileUrl.h"
#include "bookmark/BookmarkInfo.h"
#include "bookmark/BookmarkKeys.h"
#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"
#include "linux/PathText.h"

namespace korvex {

namespace {

constexpr std::uint64_t kindBits = 0x3; // regular file, folder

} // namespace

std::optional<BookmarkData> RelinkedBookmark::make(const BookmarkData& previous,
                                                   const RelinkTarget& target) {
    bookmark::BookmarkResult<bookmark::Bookmark> parsed = bookmark::BookmarkReader::read(previous);
    const std::vector<std::string_view> parts = splitNonEmpty(target.macPath, '/');
    if (!parsed || parts.empty() || target.macPath[0] != '/') {
        return std::nullopt;
    }
    bookmark::Bookmark& old = parsed.value();
    bookmark::BookmarkInfo info = bookmark::BookmarkInfo::from(old);
    namespace key = bookmark::key;
    const std::uint32_t t = bookmark::tocId::target;
    for (const std::uint32_t stale :
         {key::targetUrl, key::fileIDs, key::fileID, key::creationDate, key::displayName,
          key::relativeDirsUp, key::relativeDirsDown, key::createdWithRelativeUrl,
          key::homeRelativeComponentCount, key::urlLengths, key::sandboxRwExtension,
          key::sandboxRoExtension, key::aliasData}) {
        old.erase(t, stale);
    }
    info.pathComponents.assign(parts.begin(), parts.end());
    info.pathKnown = true;
    info.fileIDs.clear();
    if (target.fileIDs.size() == parts.size()) {
        info.fileIDs = target.fileIDs;
    }
    info.creationDate = target.creationDate;
    info.displayName.reset();
    info.homeRelativeComponentCount.reset();
    if (info.resourceProps) {
        auto& props = *info.resourceProps;
        props[0] = (props[0] & ~kindBits) | (target.isDirectory ? 0x2 : 0x1);
        props[1] |= kindBits;
    }

    const std::string volumePath = info.volumePath ? withoutTrailingSlashes(*info.volumePath) : "";
    if (volumePath.empty() || volumePath[0] != '/' || !isAtOrBelow(target.macPath, volumePath)) {
        for (const std::uint32_t stale :
             {key::volUuid, key::volCapacity, key::volCreationDate, key::volProps, key::volWasBoot,
              key::volName, key::volMountUrl}) {
            old.erase(t, stale);
        }
        info.volumeUUID.reset();
        info.volumeCapacity.reset();
        info.volumeCreationDate.reset();
        info.volumeProps.reset();
        info.volumeWasBoot.reset();
        info.volumeName.reset();
        if (parts.size() >= 3 && parts[0] == "Volumes") {
            info.volumePath = "/Volumes/" + std::string(parts[1]);
            info.volumeName = std::string(parts[1]);
        } else {
            info.volumePath = "/";
        }
        info.volumeURL = fileUrlText(*info.volumePath, true);
    }
    return bookmark::BookmarkWriter::update(old, info);
}

} // namespace korvex
