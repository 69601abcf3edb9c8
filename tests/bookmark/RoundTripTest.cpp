#include "BookmarkTestData.h"

#include "bookmark/BookmarkInfo.h"
#include "bookmark/BookmarkKeys.h"
#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"

#include <gtest/gtest.h>

using namespace korvex::bookmark;
using korvex::test::Bytes;

namespace {

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

} // namespace
