#include "BookmarkVolumeChange.h"

#include "BookmarkKeys.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace korvex::bookmark {

namespace {

bool isVolumeFact(const BookmarkKey& k) {
    return !k.named && k.code > key::volInfoDepths && k.code < 0x3000;
}

/// The table id a volume-bookmark entry of `t` names, if any.
std::optional<std::uint32_t> imageTableOf(const BookmarkTable& t) {
    for (const BookmarkEntry& e : t.entries) {
        if (!e.key.named && e.key.code == key::volBookmark && e.value.isInteger())
            return static_cast<std::uint32_t>(e.value.integer());
    }
    return std::nullopt;
}

/// Table ids that the volume depths of `t` name (every other element: id, 0, id, 0...).
std::vector<std::uint32_t> depthTablesOf(const BookmarkTable& t) {
    std::vector<std::uint32_t> ids;
    for (const BookmarkEntry& e : t.entries) {
        if (e.key.named || e.key.code != key::volInfoDepths ||
            e.value.kind() != BookmarkValueKind::array)
            continue;
        for (std::size_t i = 0; i < e.value.items().size(); i += 2) {
            if (e.value.items()[i].isInteger())
                ids.push_back(static_cast<std::uint32_t>(e.value.items()[i].integer()));
        }
    }
    return ids;
}

} // namespace

void BookmarkVolumeChange::forgetVolume(Bookmark& bookmark) {
    BookmarkTable* target = bookmark.table(tocId::target);
    if (!target)
        return;
    const std::vector<std::uint32_t> kept = depthTablesOf(*target);
    std::vector<std::uint32_t> images;
    for (const BookmarkTable* t = target; t;) {
        std::optional<std::uint32_t> image = imageTableOf(*t);
        if (!image || *image == tocId::target ||
            std::find(images.begin(), images.end(), *image) != images.end())
            break; // none, or a loop
        images.push_back(*image);
        t = bookmark.table(*image);
    }
    std::erase_if(target->entries, [](const BookmarkEntry& e) { return isVolumeFact(e.key); });
    for (std::uint32_t id : images) {
        if (std::find(kept.begin(), kept.end(), id) == kept.end())
            bookmark.eraseTable(id);
    }
}

} // namespace korvex::bookmark
