#include "BookmarkTestData.h"

#include "bookmark/BookmarkDescription.h"
#include "bookmark/BookmarkInfo.h"
#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"

#include <gtest/gtest.h>

using namespace korvex::bookmark;
using korvex::test::Bytes;
using korvex::test::RawBuilder;

namespace {

std::string errorOf(const Bytes& bytes) {
    auto read = BookmarkReader::read(bytes);
    return read ? std::string("(read)") : read.error().message;
}

bool mentions(const std::string& message, const char* words) {
    return message.find(words) != std::string::npos;
}

/// A table with one entry whose value is the record at `valueOffset`.
Bytes oneEntry(RawBuilder b, std::uint32_t valueOffset) {
    std::uint32_t toc = b.here();
    b.table(1, 0, 1).word(0x1004).word(valueOffset).word(0);
    return b.firstTable(toc).bytes();
}

TEST(HostileInput, OffsetsAndLengthsOutsideTheData) {
    EXPECT_TRUE(mentions(errorOf(oneEntry(RawBuilder(), 0x10000)), "outside the data"));
    EXPECT_TRUE(mentions(errorOf(oneEntry(RawBuilder(), 0xFFFFFFFC)), "outside the data"));

    RawBuilder wide; // an entry count whose size overflows 32 bits
    std::uint32_t toc = wide.here();
    wide.word(0).word(0xFFFFFFFE).word(1).word(0).word(0x15555556);
    EXPECT_TRUE(mentions(errorOf(wide.firstTable(toc).bytes()), "more than the data holds"));

    RawBuilder noTable;
    noTable.word(8).word(0x0101).word(0).word(0).word(0);
    EXPECT_TRUE(mentions(errorOf(noTable.firstTable(4).bytes()), "no table of contents"));
    EXPECT_TRUE(mentions(errorOf(RawBuilder().firstTable(0xFFFFFFF0).bytes()), "outside"));
}

TEST(HostileInput, RecordsWithHugeLengthsOrThatContainThemselves) {
    // The entry's record is the first one, at offset 4 of the data area.
    const std::pair<std::vector<std::uint32_t>, const char*> cases[] = {
        {{0xFFFFFFFF, 0x0101, 0x41414141}, "past the end"},
        {{0xFFFFFFF8, 0x0101, 0x41414141}, "past the end"},
        {{0x80000000, 0x0101, 0x41414141}, "past the end"},
        {{0x7FFFFFF5, 0x0101, 0x41414141}, "past the end"},
        {{4, 0x0601, 4}, "contains itself"},                // an array that lists itself
        {{4, 0x0601, 16, 4, 0x0601, 4}, "contains itself"}, // two arrays listing each other
        {{8, 0x0902, 4, 4}, "contains itself"},             // a relative URL based on itself
    };
    for (const auto& [words, says] : cases) {
        RawBuilder b;
        for (std::uint32_t w : words)
            b.word(w);
        EXPECT_TRUE(mentions(errorOf(oneEntry(b, 4)), says)) << std::hex << words[0];
    }
}

TEST(HostileInput, HeadersThatLie) {
    Bytes good = BookmarkWriter::write(BookmarkInfo{}, BookmarkContainer::raw);
    Bytes bigger = good;
    bigger[4] = 0xFF, bigger[5] = 0xFF, bigger[6] = 0xFF, bigger[7] = 0xFF;
    EXPECT_TRUE(mentions(errorOf(bigger), "truncated"));
    Bytes odd = good;
    odd[12] = 20;
    EXPECT_TRUE(mentions(errorOf(odd), "header length"));

    Bytes alias = BookmarkWriter::write(BookmarkInfo{}, BookmarkContainer::aliasFile);
    Bytes longer = alias;
    longer[24] = 0xF0, longer[25] = 0xFF, longer[26] = 0xFF, longer[27] = 0xFF;
    EXPECT_TRUE(mentions(errorOf(longer), "truncated"));
    EXPECT_TRUE(mentions(errorOf(Bytes(alias.begin(), alias.begin() + 40)), "too short"));
    EXPECT_TRUE(mentions(errorOf(Bytes{'b', 'o', 'o', 'k'}), "too short"));
    EXPECT_TRUE(mentions(errorOf(Bytes(100, 0)), "not bookmark data"));
}

TEST(HostileInput, LoopsInTheTableChain) {
    RawBuilder chain; // table 1 -> table 2 -> table 1
    std::uint32_t first = chain.here();
    chain.table(1, first + 20, 0);
    chain.table(2, first, 0);
    EXPECT_TRUE(mentions(errorOf(chain.firstTable(first).bytes()), "loops"));

    RawBuilder selfChain;
    selfChain.table(1, 4, 0);
    EXPECT_TRUE(mentions(errorOf(selfChain.firstTable(4).bytes()), "loops"));
}

TEST(HostileInput, DeepNestingAndSharedRecordsAreBounded) {
    RawBuilder deep; // 100 arrays, each holding the next
    std::uint32_t start = deep.here();
    for (std::uint32_t i = 0; i < 100; ++i)
        deep.word(4).word(0x0601).word(start + 12 * (i + 1));
    deep.word(0).word(0x0A01);
    EXPECT_TRUE(mentions(errorOf(oneEntry(deep, start)), "nested"));

    // 20 levels of arrays that each list the next level twice: 2^20 paths to one leaf.
    RawBuilder wide;
    std::uint32_t leaf = wide.here();
    wide.word(0).word(0x0A01);
    std::uint32_t previous = leaf;
    for (int i = 0; i < 20; ++i) {
        std::uint32_t here = wide.here();
        wide.word(8).word(0x0601).word(previous).word(previous);
        previous = here;
    }
    EXPECT_TRUE(mentions(errorOf(oneEntry(wide, previous)), "too often"));
}

TEST(HostileInput, MalformedPayloadsAreKeptAsRawBytes) {
    RawBuilder b;
    std::uint32_t number = b.here();
    b.word(3).word(0x0304).word(0x00636261); // a 64-bit number with 3 bytes
    std::uint32_t boolean = b.here();
    b.word(4).word(0x0501).word(7);
    std::uint32_t toc = b.here();
    b.table(1, 0, 3).word(0x1004).word(number).word(0).word(0x2012).word(number).word(0);
    b.word(0x2030).word(boolean).word(0);
    auto read = BookmarkReader::read(b.firstTable(toc).bytes());
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(read->find(1, 0x2012)->kind(), BookmarkValueKind::unknown);
    EXPECT_EQ(read->find(1, 0x2012)->bytes(), (Bytes{'a', 'b', 'c'}));
    EXPECT_EQ(read->find(1, 0x2030)->kind(), BookmarkValueKind::unknown);
    BookmarkInfo info = BookmarkInfo::from(read.value());
    EXPECT_FALSE(info.pathKnown); // components that are no array do not make the root
    EXPECT_FALSE(info.volumeCapacity);
    auto again = BookmarkReader::read(BookmarkWriter::serialise(read.value()));
    ASSERT_TRUE(again);
    EXPECT_EQ(*again->find(1, 0x2012), *read->find(1, 0x2012));
}

TEST(HostileInput, EveryTruncationAndEveryByteFlipOfARealLayoutIsSafe) {
    BookmarkInfo info;
    info.pathComponents = {"Users", "x", "file"};
    info.fileIDs = {1, std::nullopt, 3};
    info.volumeName = "Macintosh HD";
    info.bootVolume = BookmarkVolumeInfo{};
    info.bootVolume->name = "Boot";
    Bytes good = BookmarkWriter::write(info, BookmarkContainer::aliasFile);
    for (std::size_t n = 0; n < good.size(); ++n)
        if (auto read = BookmarkReader::read(Bytes(good.begin(), good.begin() + n)))
            BookmarkDescription::describe(read.value());
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (std::uint8_t flip : {0x01, 0x80, 0xFF}) {
            Bytes bad = good;
            bad[i] ^= flip;
            auto read = BookmarkReader::read(bad);
            if (!read)
                continue;
            BookmarkDescription::describe(read.value());
            auto again = BookmarkReader::read(BookmarkWriter::serialise(read.value()));
            ASSERT_TRUE(again) << "byte " << i << ": " << again.error().message;
        }
    }
}

} // namespace
