#include "Bookmark.h"

#include <algorithm>
#include <utility>

namespace korvex::bookmark {

BookmarkKey BookmarkKey::makeNamed(std::string keyName) {
    BookmarkKey key;
    key.named = true;
    key.name = std::move(keyName);
    return key;
}

const BookmarkTable* Bookmark::table(std::uint32_t tocId) const {
    for (const BookmarkTable& t : tables) {
        if (t.id == tocId)
            return &t;
    }
    return nullptr;
}

BookmarkTable* Bookmark::table(std::uint32_t tocId) {
    return const_cast<BookmarkTable*>(std::as_const(*this).table(tocId));
}

const BookmarkValue* Bookmark::find(std::uint32_t tocId, const BookmarkKey& key) const {
    const BookmarkTable* t = table(tocId);
    if (!t)
        return nullptr;
    for (const BookmarkEntry& entry : t->entries) {
        if (entry.key == key)
            return &entry.value;
    }
    return nullptr;
}

void Bookmark::set(std::uint32_t tocId, const BookmarkKey& key, BookmarkValue value) {
    BookmarkTable* t = table(tocId);
    if (!t) {
        tables.push_back(BookmarkTable{tocId, {}, 0});
        t = &tables.back();
    }
    for (BookmarkEntry& entry : t->entries) {
        if (entry.key == key) {
            entry.value = placedLike(std::move(value), entry.value);
            return;
        }
    }
    t->entries.push_back(BookmarkEntry{key, std::move(value)});
}

bool Bookmark::erase(std::uint32_t tocId, const BookmarkKey& key) {
    BookmarkTable* t = table(tocId);
    if (!t)
        return false;
    auto removed = std::erase_if(t->entries, [&](const BookmarkEntry& e) { return e.key == key; });
    return removed > 0;
}

bool Bookmark::eraseTable(std::uint32_t tocId) {
    auto found = std::find_if(tables.begin(), tables.end(),
                              [&](const BookmarkTable& t) { return t.id == tocId; });
    if (found == tables.end())
        return false;
    tables.erase(found);
    return true;
}

BookmarkValue Bookmark::placedLike(BookmarkValue fresh, const BookmarkValue& old) {
    // The same number in another width is the same fact: the Mac's encoding stays.
    if (fresh == old || (fresh.isInteger() && old.isInteger() && fresh.integer() == old.integer()))
        return old;
    if (fresh.kind() == BookmarkValueKind::array && old.kind() == BookmarkValueKind::array) {
        std::vector<BookmarkValue>& items = fresh.items();
        for (std::size_t i = 0; i < items.size() && i < old.items().size(); ++i)
            items[i] = placedLike(std::move(items[i]), old.items()[i]);
        if (fresh == old)
            return old;
    }
    fresh.setSourceOffset(old.sourceOffset());
    return fresh;
}

} // namespace korvex::bookmark
