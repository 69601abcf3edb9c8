#include "BookmarkTestData.h"

#include "BookmarkInfo.h"
#include "BookmarkKeys.h"
#include "BookmarkReader.h"
#include "BookmarkWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>

using namespace korvex::bookmark;
using korvex::test::Bytes;
using korvex::test::fromHex;

namespace {

/// Keys of `table` in stored order.
std::vector<std::uint32_t> keysOf(const BookmarkTable& table) {
    std::vector<std::uint32_t> keys;
    for (const BookmarkEntry& e : table.entries)
        keys.push_back(e.key.code);
    return keys;
}

std::uint32_t le32(const Bytes& b, std::size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | std::uint32_t(b[at + 3]) << 24;
}

BookmarkInfo fileOnAnotherVolume() {
    BookmarkInfo info;
    info.pathComponents = {"Volumes", "Archive", "Fotos", "Cafe\xCC\x81.jpg"};
    info.pathKnown = true;
    info.fileIDs = {std::nullopt, 2, 17, 0x0FFFFFFF00012345};
    info.resourceProps = {{0x1, 0x21F, 0x21F}};
    info.creationDate = 678901234.5;
    info.volumePath = "/Volumes/Archive";
    info.volumeURL = "file:///Volumes/Archive/";
    info.volumeName = "Archive";
    info.volumeUUID = "66D290A3-6692-3D78-ABD5-A2FE6F3F4DBD";
    info.volumeCapacity = 8003780608;
    info.volumeCreationDate = -978307200.0;
    info.volumeProps = {{0xE1, 0x13EF, 0x13EF}};
    info.creatorUser = "anna";
    info.creatorUid = 501;
    info.homeRelativeComponentCount = 2;
    info.creationOptions = 1024;
    info.wasFileIDFormat = true;
    info.displayName = "Café.jpg";
    info.typeBindingData = Bytes{'d', 'n', 'i', 'b', 0, 0, 0, 0, 1, 0, 0, 0};
    BookmarkVolumeInfo boot;
    boot.path = "/";
    boot.url = "file:///";
    boot.name = "Macintosh HD";
    boot.uuid = "07FD1A5D-7D66-475A-AF51-934CDEF2D60C";
    boot.capacity = 499963174912;
    boot.creationDate = 616330000.25;
    boot.props = {{0x100000081, 0x1000013EF, 0x1000013EF}};
    info.bootVolume = boot;
    return info;
}

TEST(BookmarkRoundTrip, ReaderOfWriterGivesTheDescriptionBack) {
    for (BookmarkContainer container :
         {BookmarkContainer::aliasFile, BookmarkContainer::raw, BookmarkContainer::legacy}) {
        BookmarkInfo info = fileOnAnotherVolume();
        Bytes bytes = BookmarkWriter::write(info, container, 700000000.0);
        auto read = BookmarkReader::read(bytes);
        ASSERT_TRUE(read) << read.error().message;
        EXPECT_EQ(read->container, container);
        EXPECT_EQ(BookmarkInfo::from(read.value()), info);
    }
}

TEST(BookmarkRoundTrip, WriterLaysOutDataLikeMacOs) {
    Bytes bytes = BookmarkWriter::write(fileOnAnotherVolume(), BookmarkContainer::aliasFile, 0);
    ASSERT_EQ(std::string(bytes.begin(), bytes.begin() + 16),
              std::string("book\0\0\0\0mark\0\0\0\0", 16));
    EXPECT_EQ(le32(bytes, 16), 56u);
    EXPECT_EQ(le32(bytes, 24), bytes.size() - 56);
    EXPECT_EQ(bytes.size() % 4, 0u);

    auto read = BookmarkReader::read(bytes);
    ASSERT_TRUE(read);
    // Tables: 1 first in the chain and last in the file, sorted, with the size macOS writes.
    ASSERT_EQ(read->tables.size(), 2u);
    const BookmarkTable& target = read->tables[0];
    EXPECT_EQ(target.id, tocId::target);
    EXPECT_EQ(56 + target.sourceOffset + 8 + 12 + 12 * target.entries.size(), bytes.size());
    EXPECT_EQ(le32(bytes, 56 + target.sourceOffset), 12 + 12 * target.entries.size());
    EXPECT_LT(read->tables[1].sourceOffset, target.sourceOffset);
    for (std::size_t i = 1; i < target.entries.size(); ++i)
        EXPECT_LT(target.entries[i - 1].key.code, target.entries[i].key.code);
    // The keys macOS writes for an alias file, in the encodings it uses.
    for (std::uint32_t k :
         {key::pathComponents, key::fileIDs, key::resourceProps, key::creationDate,
          key::volInfoDepths, key::volPath, key::volUrl, key::volName, key::volUuid,
          key::volCapacity, key::volCreationDate, key::volProps, key::wasFileIdFormat,
          key::creationOptions, key::displayName, key::typeBindingData})
        EXPECT_TRUE(read->find(tocId::target, k)) << std::hex << k;
    EXPECT_EQ(read->find(tocId::target, key::volCapacity)->type(), 0x0304u);
    EXPECT_EQ(read->find(tocId::target, key::creationOptions)->type(), 0x0303u);
    EXPECT_EQ(read->find(tocId::target, key::userUid)->type(), 0x0303u);
    EXPECT_EQ(read->find(tocId::target, key::volUrl)->type(), 0x0901u);
    // Every record 4-aligned, zero-padded: the last component (3 bytes over) is followed by 0s.
    EXPECT_EQ(read->find(tocId::target, key::pathComponents)->items()[3].sourceOffset() % 4, 0u);

    // Containers convert by swapping the header only.
    Bookmark asRaw = read.value();
    asRaw.container = BookmarkContainer::raw;
    Bytes raw = BookmarkWriter::serialise(asRaw);
    EXPECT_EQ(le32(raw, 4), raw.size());
    EXPECT_TRUE(std::equal(bytes.begin() + 56, bytes.end(), raw.begin() + 48, raw.end()));
}

TEST(BookmarkRoundTrip, FreshWriteFillsTheAliasFileDefaults) {
    BookmarkInfo info;
    info.pathComponents = {};
    info.fileName = "Macintosh HD";
    auto read = BookmarkReader::read(BookmarkWriter::write(info, BookmarkContainer::aliasFile));
    ASSERT_TRUE(read);
    BookmarkInfo back = BookmarkInfo::from(read.value());
    EXPECT_EQ(back.targetPath(), "/");
    EXPECT_TRUE(back.pathKnown);
    EXPECT_EQ(back.creationOptions, 1024);
    EXPECT_EQ(back.wasFileIDFormat, true);
    EXPECT_FALSE(read->find(tocId::target, key::fileIDs)); // a volume root has none
}

TEST(BookmarkRoundTrip, EveryValueTypeSurvivesEditAndReserialise) {
    Bookmark bookmark =
        BookmarkReader::read(BookmarkWriter::write(fileOnAnotherVolume(), BookmarkContainer::raw))
            .value();
    std::vector<std::pair<BookmarkKey, BookmarkValue>> values = {
        {0x7001, BookmarkValue::makeInteger(-5, numberType::sInt8)},
        {0x7002, BookmarkValue::makeInteger(-30000, numberType::sInt16)},
        {0x7003, BookmarkValue::makeInteger(INT64_MIN, numberType::sInt64)},
        {0x7004, BookmarkValue::makeReal(1.5, numberType::float32)},
        {0x7005, BookmarkValue::makeReal(-0.1, numberType::float64)},
        {0x7006, BookmarkValue::makeDictionary(
                     {{BookmarkValue::makeString("a"), BookmarkValue::makeBool(false)}})},
        {0x7007, BookmarkValue::makeUuid(Bytes(16, 0xAB))},
        {0x7008, BookmarkValue::makeRelativeUrl(BookmarkValue::makeUrl("file:///base/"),
                                                BookmarkValue::makeString("x/y"))},
        {0x7009, BookmarkValue::makeUnknown(0x123456, Bytes{1, 2, 3})},
        {0x700A, BookmarkValue::makeArray({BookmarkValue::makeNull(), BookmarkValue::makeDate(1)})},
        {BookmarkKey::makeNamed("NSURLDocumentIdentifierKey"),
         BookmarkValue::makeInteger(77, numberType::sInt32)},
    };
    for (const auto& [k, v] : values)
        bookmark.set(tocId::target, k, v);
    ASSERT_TRUE(bookmark.erase(tocId::target, key::userName));
    EXPECT_FALSE(bookmark.erase(tocId::target, key::userName));

    auto read = BookmarkReader::read(BookmarkWriter::serialise(bookmark));
    ASSERT_TRUE(read) << read.error().message;
    for (const auto& [k, v] : values) {
        ASSERT_TRUE(read->find(tocId::target, k));
        EXPECT_EQ(*read->find(tocId::target, k), v);
    }
    EXPECT_FALSE(read->find(tocId::target, key::userName));
    EXPECT_EQ(read->find(tocId::target, key::volUuid)->text(),
              "66D290A3-6692-3D78-ABD5-A2FE6F3F4DBD");
    // Named keys sort last, as their key word has bit 31 set.
    EXPECT_TRUE(read->tables[0].entries.back().key.named);
    // Unchanged now: written back byte for byte.
    Bytes once = BookmarkWriter::serialise(read.value());
    EXPECT_EQ(BookmarkWriter::serialise(BookmarkReader::read(once).value()), once);
}

// Found by fuzz_bookmark (twice: fuzz-bookmark-round-trip-1): a chain with two tables of id 1 and a
// table whose keys are out of order. Re-serialising sorts the keys and keeps every table's own
// entries.
const char* const repeatedTableIds =
    "626f6f6b940400000000011010000000800300000700000001010000566f6c756d6573000700000001010000"
    "53414e4449534b000800000001010000756e7469746c65640c00000001060000040000001400000024000000"
    "0800000004030000255c00000000000000000000010a00000c00000001060000480000005800000058000000"
    "180000000102000001000000000000001f020000000000001f02000000000000080000000004000041c43b9a"
    "f9400000040000000303000000f0000004000000030300000000000004000000030300000100000010000000"
    "01060000a4000000b0000000bc000000b000000010000000010100002f566f6c756d65732f53414e4449534b"
    "180000000109000066696c653a2f2f2f566f6c756d65732f53414e4449534b11000000000101000030374644"
    "314135442d374436362d343735412d414635312d393334434445463244363043080000000403000000a02068"
    "740002000800000000040000c1cd27e44000000018000000010200008100000001000000ef13000001000000"
    "ef1300000100000004000000030300dca00f0000080000000403000002000000000000000400000001010000"
    "616e6e610400000003030000f501000000000000010500000400000003030000000400000a00000001010000"
    "5265706f72742e74787400003000000001020000646e69620000000001000000010000000000000000000000"
    "00000000000000000000000000000000010000000000000001000000010100002f0000000800000001090066"
    "6c0069653a2f2f2f0c000000010100004d6163696e746f7368204844080000000004000027c25e3988200000"
    "0500000001010000557365727300000008000000010100006469736b2e646d670c0000000106000058020000"
    "a00100006802000078000000feffffff01000000000000000900000004100000780200000000000002200000"
    "1802000000000000052000002402000000000000102000003402000000000000112000001801000000000000"
    "12200000440100000000000013200000480200000000000020200000640100000000000030200002b8010000"
    "000000006c000000feffffff00f000008c020000080000000220000018020000000000000520000024020000"
    "0000000050200000340200000000000011200000180100000000000012200000440100000000000013200000"
    "480200000000000020200000640100000000000030200000b801000000000000fc000000feffffff01000000"
    "0c03000014000000041000003400000000000000051000006000000000000000101000007400000000000000"
    "40100000940000000000000000200000c80000000000000002200000e00000000000000005200000f8000000"
    "0000000010200000140000000000000011200000180100000000000012200000440100000000000013200000"
    "540100000000000020200000640100000000000040200000840100000000000001c000009001000000000000"
    "11c00000a00100000000000012c00000ac0100000000000001d00000b80100000000000010d00000c0010000"
    "0000000017f00000cc0100000000000022f00000e001000000000000";

TEST(BookmarkRoundTrip, EachTableKeepsItsOwnEntriesWhenIdsRepeat) {
    auto read = BookmarkReader::read(fromHex(repeatedTableIds));
    ASSERT_TRUE(read) << read.error().message;
    ASSERT_EQ(read->tables.size(), 3u);
    ASSERT_EQ(read->tables[2].id, read->tables[0].id);
    Bytes written = BookmarkWriter::serialise(read.value());
    auto again = BookmarkReader::read(written);
    ASSERT_TRUE(again) << again.error().message;
    ASSERT_EQ(again->tables.size(), read->tables.size());
    for (std::size_t t = 0; t < read->tables.size(); ++t) {
        std::vector<BookmarkEntry> sorted = read->tables[t].entries;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto& a, const auto& b) { return a.key.code < b.key.code; });
        const std::vector<BookmarkEntry>& back = again->tables[t].entries;
        ASSERT_EQ(back.size(), sorted.size()) << "table " << t;
        for (std::size_t i = 0; i < sorted.size(); ++i) {
            EXPECT_EQ(back[i].key, sorted[i].key) << "table " << t << " entry " << i;
            EXPECT_EQ(back[i].value, sorted[i].value) << "table " << t << " entry " << i;
        }
    }
    EXPECT_EQ(BookmarkInfo::from(again.value()), BookmarkInfo::from(read.value()));
    EXPECT_EQ(BookmarkWriter::serialise(again.value()), written);
    // A refresh that stores what is there (as one of its own output does) changes no byte.
    EXPECT_EQ(BookmarkWriter::update(again.value(), BookmarkInfo::from(again.value())), written);
}

TEST(BookmarkRoundTrip, RepeatedNamedKeysKeepWhichComesFirst) {
    // One table names "name" twice, first with the later of two name records.
    korvex::test::RawBuilder b;
    auto fourLetters = [&](const char* text) {
        std::uint32_t at = b.here();
        b.word(4).word(0x0101).word(std::uint32_t(text[0]) | text[1] << 8 | text[2] << 16 |
                                    std::uint32_t(text[3]) << 24);
        return at;
    };
    std::uint32_t earlyName = fourLetters("name");
    std::uint32_t one = fourLetters("one.");
    std::uint32_t lateName = fourLetters("name");
    std::uint32_t two = fourLetters("two.");
    std::uint32_t toc = b.here();
    b.table(1, 0, 2).word(key::namedKeyBit | lateName).word(two).word(0);
    b.word(key::namedKeyBit | earlyName).word(one).word(0);
    auto read = BookmarkReader::read(b.firstTable(toc).bytes());
    ASSERT_TRUE(read) << read.error().message;
    auto again = BookmarkReader::read(BookmarkWriter::serialise(read.value()));
    ASSERT_TRUE(again);
    const BookmarkKey name = BookmarkKey::makeNamed("name");
    EXPECT_EQ(read->find(1, name)->text(), "two.");
    EXPECT_EQ(again->find(1, name)->text(), "two.");
    ASSERT_EQ(again->tables[0].entries.size(), 2u);
    EXPECT_EQ(again->tables[0].entries[1].value.text(), "one.");
}

TEST(BookmarkRoundTrip, AddedKeysAndRecordsAreSortedAndSharedByContent) {
    BookmarkInfo root; // a volume root: no file ids, the lowest key after the components
    root.volumeName = "Disk";
    auto previous = BookmarkReader::read(BookmarkWriter::write(root, BookmarkContainer::raw));
    ASSERT_TRUE(previous);
    ASSERT_FALSE(previous->find(tocId::target, key::fileIDs));
    BookmarkInfo fresh = BookmarkInfo::from(previous.value());
    fresh.fileIDs = {2};
    Bookmark edited = BookmarkReader::read(BookmarkWriter::update(previous.value(), fresh)).value();
    EXPECT_TRUE(edited.find(tocId::target, key::fileIDs));
    // Below every key, and new arrays that differ only in their elements, or not at all.
    auto list = [](const char* name) {
        return BookmarkValue::makeArray({BookmarkValue::makeString(name)});
    };
    edited.set(tocId::target, 0x0001, list("a"));
    edited.set(tocId::target, 0x0002, list("b"));
    edited.set(tocId::target, 0x0003, list("a"));
    auto read = BookmarkReader::read(BookmarkWriter::serialise(edited));
    ASSERT_TRUE(read);
    std::vector<std::uint32_t> keys = keysOf(read->tables[0]);
    EXPECT_TRUE(std::is_sorted(keys.begin(), keys.end())) << ::testing::PrintToString(keys);
    EXPECT_EQ(keys.front(), 0x0001u);
    const BookmarkValue* a = read->find(tocId::target, 0x0001);
    const BookmarkValue* b = read->find(tocId::target, 0x0002);
    EXPECT_EQ(a->sourceOffset(), read->find(tocId::target, 0x0003)->sourceOffset());
    EXPECT_NE(a->sourceOffset(), b->sourceOffset());
    EXPECT_EQ(b->items().at(0).text(), "b");
}

TEST(BookmarkRoundTrip, AnUnknownPathIsNeverWrittenAsTheRoot) {
    Bookmark bookmark =
        BookmarkReader::read(BookmarkWriter::write(fileOnAnotherVolume(), BookmarkContainer::raw))
            .value();
    const BookmarkValue broken = BookmarkValue::makeString("not a list");
    bookmark.set(tocId::target, key::pathComponents, broken);
    BookmarkInfo info = BookmarkInfo::from(bookmark);
    ASSERT_FALSE(info.pathKnown);
    auto updated = BookmarkReader::read(BookmarkWriter::update(bookmark, info));
    ASSERT_TRUE(updated);
    EXPECT_EQ(*updated->find(tocId::target, key::pathComponents), broken);
    EXPECT_FALSE(BookmarkInfo::from(updated.value()).pathKnown);
}

} // namespace
