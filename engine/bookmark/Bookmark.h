#pragma once

#include "BookmarkValue.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace korvex::bookmark {

/// The wrapper around the data area.
enum class BookmarkContainer {
    aliasFile, ///< data fork of a Finder alias file: `book\0\0\0\0mark\0\0\0\0`, 56-byte header
    raw,       ///< bookmark data as the bookmark services return it: `book` + size, 48 bytes
    legacy,    ///< the old form with a 16-byte header
};

/// A table entry's key: a number, or (bit 31 in the file) a name stored as a string record.
struct BookmarkKey {
    std::uint32_t code = 0;
    std::string name;
    bool named = false;
    /// Where the name record sat in the data area it was read from (0: made in memory).
    std::uint32_t nameSourceOffset = 0;

    BookmarkKey() = default;
    BookmarkKey(std::uint32_t numeric) : code(numeric) {}
    static BookmarkKey makeNamed(std::string keyName);

    bool operator==(const BookmarkKey& other) const {
        return named == other.named && (named ? name == other.name : code == other.code);
    }
};

struct BookmarkEntry {
    BookmarkKey key;
    BookmarkValue value;
};

/// One table of contents: its id and its entries in stored order.
struct BookmarkTable {
    std::uint32_t id = 0;
    std::vector<BookmarkEntry> entries;
    /// Where the table sat in the data area it was read from (0: made in memory).
    std::uint32_t sourceOffset = 0;
};

/// Parsed bookmark data: the container, its header bytes and the tables of contents in chain
/// order. Editing keeps every entry that is not touched.
class Bookmark {
public:
    BookmarkContainer container = BookmarkContainer::aliasFile;
    /// The header as read (56, 48 or 16 bytes); the writer copies it and fills in the lengths.
    /// Empty: a fresh header for `container`.
    std::vector<std::uint8_t> header;
    std::vector<BookmarkTable> tables;

    /// The first table with `tocId`, or null.
    const BookmarkTable* table(std::uint32_t tocId) const;
    BookmarkTable* table(std::uint32_t tocId);

    /// The value stored under `key` in the first table `tocId`, or null.
    const BookmarkValue* find(std::uint32_t tocId, const BookmarkKey& key) const;
    /// Stores `value` under `key` in table `tocId`: replaces the first entry with that key, or
    /// adds one; a missing table is added at the end of the chain. A replaced value keeps the
    /// place of the one it replaces (see `placedLike`): equal content keeps the very records,
    /// so setting what is already there changes no byte, and a changed value is written where
    /// the old one was, so that the record order survives any number of edits.
    void set(std::uint32_t tocId, const BookmarkKey& key, BookmarkValue value);
    /// Removes every entry with `key` from table `tocId`; false when there was none.
    bool erase(std::uint32_t tocId, const BookmarkKey& key);
    /// Removes the first table with `tocId` from the chain; false when there was none.
    bool eraseTable(std::uint32_t tocId);

    /// `fresh` placed like `old`: `old` itself (records and all) when the content is equal, or
    /// both are the same integer (in whatever width the old one was stored); else `fresh` at
    /// `old`'s place in the data, and so for the elements of arrays, element by element (an
    /// element beyond the old ones goes after the old records).
    static BookmarkValue placedLike(BookmarkValue fresh, const BookmarkValue& old);
};

} // namespace korvex::bookmark
