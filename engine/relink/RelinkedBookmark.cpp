#include "RelinkedBookmark.h"

#include "BookmarkInfo.h"
#include "BookmarkKeys.h"
#include "BookmarkReader.h"
#include "BookmarkVolumeChange.h"
#include "BookmarkWriter.h"
#include "FileUrl.h"
#include "PathText.h"
#include "TypeBinding.h"

namespace korvex {

namespace {

constexpr std::uint64_t kindBits = 0xF;                // regular file, folder, link, volume
constexpr std::uint64_t folderOnlyBits = 0x10 | 0x200; // package, application

std::string_view extensionOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    return dot == std::string_view::npos || dot == 0 ? std::string_view() : name.substr(dot + 1);
}

/// The type binding for the new target: the old one where it still says the same (same
/// extension, kind and volume kind), one made anew where the old one has the layout macOS
/// writes for files and folders, else none (an unknown blob about the old target).
std::optional<std::vector<std::uint8_t>> bindingFor(const std::vector<std::uint8_t>& old,
                                                    const std::string& oldName, bool oldFolder,
                                                    bool oldBoot, const std::string& newName,
                                                    bool newFolder, bool newBoot) {
    if (bookmark::TypeBinding::forItem(oldName, oldFolder, oldBoot) == old) {
        return bookmark::TypeBinding::forItem(newName, newFolder, newBoot);
    }
    if (extensionOf(oldName) == extensionOf(newName) && oldFolder == newFolder &&
        oldBoot == newBoot) {
        return old;
    }
    return std::nullopt;
}

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
    const bookmark::BookmarkInfo before = info;
    namespace key = bookmark::key;
    const std::uint32_t t = bookmark::tocId::target;
    // Facts of the old target that the new one can't share.
    for (const std::uint32_t stale :
         {key::targetUrl, key::fileID, key::relativeDirsUp, key::relativeDirsDown,
          key::createdWithRelativeUrl, key::homeRelativeComponentCount, key::urlLengths,
          key::sandboxRwExtension, key::sandboxRoExtension, key::aliasData}) {
        old.erase(t, stale);
    }
    info.homeRelativeComponentCount.reset();
    info.pathComponents.assign(parts.begin(), parts.end());
    info.pathKnown = true;
    info.creationDate = target.creationDate;
    if (!target.creationDate) {
        old.erase(t, key::creationDate);
    }

    const bool oldFolder = before.resourceProps && ((*before.resourceProps)[0] & 0x2);
    if (info.resourceProps) {
        auto& props = *info.resourceProps;
        props[0] = (props[0] & ~kindBits) | (target.isDirectory ? 0x2 : 0x1);
        if (!target.isDirectory) {
            props[0] &= ~folderOnlyBits;
        }
        props[1] |= kindBits;
    }

    const std::string volumePath = info.volumePath ? withoutTrailingSlashes(*info.volumePath) : "";
    const bool volumeKept =
        !volumePath.empty() && volumePath[0] == '/' && isAtOrBelow(target.macPath, volumePath);
    if (!volumeKept) {
        // Another volume: nothing of the old one stays (see BookmarkVolumeChange).
        bookmark::BookmarkVolumeChange::forgetVolume(old);
        const bookmark::BookmarkInfo none;
        info.volumeURL = none.volumeURL;
        info.volumeName = none.volumeName;
        info.volumeUUID = none.volumeUUID;
        info.volumeCapacity = none.volumeCapacity;
        info.volumeCreationDate = none.volumeCreationDate;
        info.volumeProps = none.volumeProps;
        info.volumeWasBoot = none.volumeWasBoot;
        info.diskImage.reset();
        if (parts.size() >= 3 && parts[0] == "Volumes") {
            info.volumePath = "/Volumes/" + std::string(parts[1]);
            info.volumeName = std::string(parts[1]);
            if (volumePath == "/" && !info.bootVolume) {
                // The old volume was the Mac's root volume: what the data knew of it now
                // describes the root volume of a target elsewhere, as macOS writes it.
                info.bootVolume = before.volume();
            }
        } else {
            info.volumePath = "/";
            if (info.bootVolume) {
                // Onto the root volume: the data knew it as the boot volume; the volume depths
                // and that table no longer apply to a target on it.
                const bookmark::BookmarkVolumeInfo root = *info.bootVolume;
                info.volumeName = root.name;
                info.volumeUUID = root.uuid;
                info.volumeCapacity = root.capacity;
                info.volumeCreationDate = root.creationDate;
                info.volumeProps = root.props;
                info.volumeWasBoot = root.wasBoot;
                info.bootVolume.reset();
                old.erase(t, key::volInfoDepths);
                old.eraseTable(bookmark::tocId::bootVolume);
            }
        }
        info.volumeURL = fileUrlText(*info.volumePath, true);
    }

    // File ids: the leading components the old path shares stay as the Mac stored them (the
    // same folders); the others are ids of this very file system where the Mac sees it and it
    // keeps ids that last, else unknown.
    const bool noIds =
        volumeKept && bookmark::BookmarkVolumeInfo::saysNoPersistentIds(before.volumeProps);
    const bool oldIdsAligned = before.fileIDs.size() == before.pathComponents.size();
    std::size_t shared = 0;
    while (shared < parts.size() && shared < before.pathComponents.size() &&
           before.pathComponents[shared] == parts[shared]) {
        ++shared;
    }
    std::vector<std::optional<std::int64_t>> ids(parts.size());
    bool anyId = false;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (!noIds && target.fileIDs.size() == parts.size() && target.fileIDs[i]) {
            ids[i] = target.fileIDs[i];
        } else if (i < shared && oldIdsAligned) {
            ids[i] = before.fileIDs[i];
        }
        anyId = anyId || ids[i].has_value();
    }
    if (anyId) {
        info.fileIDs = std::move(ids);
    } else {
        old.erase(t, key::fileIDs);
        info.fileIDs.clear();
    }

    // The name as shown and the type binding: kept while they still say the truth.
    const std::string oldName =
        before.pathComponents.empty() ? std::string() : before.pathComponents.back();
    const std::string newName(parts.back());
    if (oldName != newName) {
        old.erase(t, key::displayName);
        info.displayName.reset();
    }
    if (info.typeBindingData) {
        const bool oldBoot = volumePath == "/";
        const bool newBoot = *info.volumePath == "/";
        info.typeBindingData = bindingFor(*info.typeBindingData, oldName, oldFolder, oldBoot,
                                          newName, target.isDirectory, newBoot);
        if (!info.typeBindingData) {
            old.erase(t, key::typeBindingData);
        }
    }
    return bookmark::BookmarkWriter::update(old, info);
}

} // namespace korvex
