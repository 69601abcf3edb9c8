// libFuzzer target for the bookmark codec: whatever the bytes, the reader answers without
// undefined behaviour; what it reads can be described, viewed, written back and read again
// to the same tables, and writing that again changes nothing.
#include "BookmarkDescription.h"
#include "BookmarkInfo.h"
#include "BookmarkInspection.h"
#include "BookmarkReader.h"
#include "BookmarkWriter.h"
#include "ClassicAlias.h"

#include <cstdio>
#include <cstdlib>

using namespace korvex::bookmark;

namespace {

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "fuzz_bookmark: %s\n", what);
        std::abort();
    }
}

/// The value of the `n`-th entry with `key` in `table` (0: the first), or null.
const BookmarkValue* nthValue(const BookmarkTable& table, const BookmarkKey& key, std::size_t n) {
    for (const BookmarkEntry& e : table.entries) {
        if (e.key == key && n-- == 0)
            return &e.value;
    }
    return nullptr;
}

/// Table by table in chain order (ids may repeat), the same entries: the writer sorts them by
/// key word, keeping the order of repeated keys, so each entry is matched with the entry of the
/// same key and the same rank among that key's entries.
bool sameTables(const Bookmark& a, const Bookmark& b) {
    if (a.tables.size() != b.tables.size())
        return false;
    for (std::size_t t = 0; t < a.tables.size(); ++t) {
        const BookmarkTable& x = a.tables[t];
        const BookmarkTable& y = b.tables[t];
        if (x.id != y.id || x.entries.size() != y.entries.size())
            return false;
        for (std::size_t i = 0; i < x.entries.size(); ++i) {
            const BookmarkKey& key = x.entries[i].key;
            std::size_t rank = 0;
            for (std::size_t j = 0; j < i; ++j)
                rank += x.entries[j].key == key;
            const BookmarkValue* other = nthValue(y, key, rank);
            if (!other || !(*other == x.entries[i].value))
                return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> bytes(data, size);
    std::string text;
    BookmarkResult<Bookmark> read = BookmarkReader::read(bytes);
    // Inspection reads what an alias may hold: bookmark data, else a classic alias record (bare,
    // or in a resource fork).
    const bool readable = read.ok() || korvex::classic::ClassicAlias::read(bytes).ok();
    check(BookmarkInspection::inspect(bytes, text) == readable, "inspection disagrees");
    if (!read) {
        check(read.error().offset <= size, "error offset outside the input");
        check(!read.error().message.empty(), "error without a message");
        return 0;
    }
    const Bookmark& bookmark = read.value();
    BookmarkInfo info = BookmarkInfo::from(bookmark);
    (void)info.targetPath();
    std::string description = BookmarkDescription::describe(bookmark);
    std::size_t limit = size % 512; // a limit the text often passes: the cuts get fuzzed too
    std::string cut = BookmarkDescription::describe(bookmark, limit);
    check(description.size() <= limit ? cut == description : cut.size() <= limit,
          "description not cut at its limit");

    std::vector<std::uint8_t> written = BookmarkWriter::serialise(bookmark);
    BookmarkResult<Bookmark> again = BookmarkReader::read(written);
    check(again.ok(), "cannot read what the writer wrote");
    check(again->container == bookmark.container, "container changed");
    check(sameTables(bookmark, again.value()), "tables changed by a round trip");
    check(BookmarkDescription::describe(again.value()) == description, "description changed");
    check(BookmarkWriter::serialise(again.value()) == written, "second write differs");

    check(BookmarkReader::read(BookmarkWriter::update(bookmark, info)).ok(),
          "cannot read a refreshed bookmark");
    return 0;
}
