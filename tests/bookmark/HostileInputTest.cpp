#include "BookmarkTestData.h"

#include "BookmarkDescription.h"
#include "BookmarkInfo.h"
#include "BookmarkReader.h"
#include "BookmarkWriter.h"

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

TEST(HostileInput, LengthsAndNestingAtTheirLimits) {
    // A string record whose payload ends exactly at the end of the data, or one byte past it.
    auto stringAtTheEnd = [](std::uint32_t extra) {
        RawBuilder b;
        std::uint32_t toc = b.here();
        b.table(1, 0, 1).word(0x1004).word(toc + 32).word(0);
        b.word(4 + extra).word(0x0101).word(0x64636261);
        return b.firstTable(toc).bytes();
    };
    // `levels` arrays, each holding the next; the innermost holds a null.
    auto nested = [](std::uint32_t levels) {
        RawBuilder b;
        std::uint32_t start = b.here();
        for (std::uint32_t i = 0; i < levels; ++i)
            b.word(4).word(0x0601).word(start + 12 * (i + 1));
        b.word(0).word(0x0A01);
        return oneEntry(b, start);
    };
    // Raw bookmark data whose header gives `total` as the length of everything.
    auto totalOf = [](std::uint32_t total, std::uint8_t headerLength) {
        Bytes bytes = BookmarkWriter::write(BookmarkInfo{}, BookmarkContainer::raw);
        bytes[12] = headerLength;
        for (int i = 0; i < 4; ++i)
            bytes[4 + i] = std::uint8_t(total >> (8 * i));
        return bytes;
    };
    const std::pair<Bytes, const char*> cases[] = {
        {stringAtTheEnd(0), nullptr},
        {stringAtTheEnd(1), "past the end"},
        {nested(BookmarkReader::maxDepth), nullptr},
        {nested(BookmarkReader::maxDepth + 1), "nested"},
        {totalOf(48, 48), "too short to hold the offset"},
        {totalOf(47, 48), "less than its own length"},
        {totalOf(0, 48), "less than its own length"},
        {totalOf(15, 16), "less than its own length"},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& [bytes, says] = cases[i];
        std::string error = errorOf(bytes);
        EXPECT_TRUE(says ? mentions(error, says) : error == "(read)")
            << "case " << i << ": " << error;
    }
    auto deepest = BookmarkReader::read(nested(BookmarkReader::maxDepth));
    ASSERT_TRUE(deepest);
    EXPECT_TRUE(BookmarkReader::read(BookmarkWriter::serialise(deepest.value())));
}

TEST(HostileInput, SharedRecordsCannotMakeSmallDataHuge) {
    // The path array of the issue: one 1000-byte string named a million times (4 MB).
    RawBuilder path;
    std::uint32_t name = path.here();
    path.word(1000).word(0x0101);
    path.area.resize(path.area.size() + 1000, 'x');
    std::uint32_t list = path.here();
    path.word(4'000'000).word(0x0601);
    for (int i = 0; i < 1'000'000; ++i)
        path.word(name);

    // Many table entries sharing one 100 KB string: each entry is cheap, each copy is not.
    RawBuilder entries;
    std::uint32_t big = entries.here();
    entries.word(100'000).word(0x0101);
    entries.area.resize(entries.area.size() + 100'000, 'y');
    std::uint32_t toc = entries.here();
    entries.table(1, 0, 1000);
    for (std::uint32_t i = 0; i < 1000; ++i)
        entries.word(0x7000 + i).word(big).word(0);

    for (const Bytes& bytes : {oneEntry(path, list), entries.firstTable(toc).bytes()}) {
        auto read = BookmarkReader::read(bytes);
        ASSERT_FALSE(read) << bytes.size() << " bytes were read";
        EXPECT_TRUE(mentions(read.error().message, "once read")) << read.error().message;
        EXPECT_LE(read.error().offset, bytes.size());
    }

    // What is large in the bytes may be large once read: a 3 MB data record, shared twice.
    RawBuilder blob;
    std::uint32_t data = blob.here();
    blob.word(3'000'000).word(0x0201);
    blob.area.resize(blob.area.size() + 3'000'000, 0xAB);
    toc = blob.here();
    blob.table(1, 0, 2).word(0xF020).word(data).word(0).word(0xF021).word(data).word(0);
    auto read = BookmarkReader::read(blob.firstTable(toc).bytes());
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(read->find(1, 0xF021)->bytes().size(), 3'000'000u);
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
