#include "BookmarkInspection.h"

#include "BookmarkDescription.h"
#include "BookmarkInfo.h"
#include "BookmarkReader.h"
#include "ClassicAlias.h"

namespace korvex::bookmark {

namespace {

const char* containerName(BookmarkContainer container) {
    switch (container) {
    case BookmarkContainer::aliasFile:
        return "alias file";
    case BookmarkContainer::raw:
        return "bookmark data";
    case BookmarkContainer::legacy:
        return "bookmark data (old 16-byte header)";
    }
    return "bookmark data";
}

} // namespace

bool BookmarkInspection::inspect(std::span<const std::uint8_t> bytes, std::string& text) {
    // Bookmark data, or a classic alias record (bare, or in a resource fork) seen as one.
    BookmarkResult<classic::AliasContent> read = classic::ClassicAlias::read(bytes);
    if (!read) {
        text += "  error: " + read.error().message + " (at byte " +
                std::to_string(read.error().offset) + ")\n";
        return false;
    }
    const Bookmark& bookmark = read->bookmark;
    BookmarkInfo info = BookmarkInfo::from(bookmark);
    text += "  kind: ";
    text += read->record
                ? "classic alias record (version " + std::to_string(read->record->version) + ")"
                : std::string(containerName(bookmark.container));
    // Stored text is escaped: crafted names must not drive the terminal or add lines.
    auto plain = [](const std::string& stored) { return BookmarkDescription::escaped(stored); };
    text +=
        "\n  target: " + (info.pathKnown ? plain(info.targetPath()) : std::string("(not stored)"));
    text += "\n  volume: ";
    text += info.volumeName ? "\"" + plain(*info.volumeName) + "\"" : std::string("(no name)");
    if (info.volumePath)
        text += " at " + plain(*info.volumePath);
    if (info.volumeUUID)
        text += ", UUID " + plain(*info.volumeUUID);
    if (info.volumeCapacity)
        text += ", " + std::to_string(*info.volumeCapacity) + " bytes";
    text += "\n  properties: " + BookmarkDescription::describe(bookmark) + "\n";
    return true;
}

} // namespace korvex::bookmark
