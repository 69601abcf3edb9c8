// The parsers of Mac metadata: bare FinderInfo, AfpInfo, AppleDouble (sidecars and netatalk
// metadata), the alias data-fork header and Samba's DOS attributes. They read bytes from other
// machines, so every truncation and every lying offset must give a clean "no".

#include "AfpInfo.h"
#include "AliasDataFork.h"
#include "AppleDouble.h"
#include "BookmarkTestData.h"
#include "DosAttributes.h"
#include "FinderInfo.h"
#include "TempTree.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using test::Bytes;

std::span<const std::uint8_t> prefix(const Bytes& bytes, std::size_t length) {
    return std::span(bytes.data(), length);
}

// `bytes` with the byte at `at` set to `value`.
Bytes with(Bytes bytes, std::size_t at, std::uint8_t value) {
    bytes[at] = value;
    return bytes;
}

TEST(FinderInfoParsers, BareFinderInfoTakesThirtyTwoBytesAndOneTrailingByte) {
    Bytes alias = test::finderInfoBytes(true);
    ASSERT_TRUE(FinderInfo::fromRaw(alias));
    EXPECT_TRUE(FinderInfo::fromRaw(alias)->isAlias());
    EXPECT_FALSE(FinderInfo::fromRaw(test::finderInfoBytes(false))->isAlias());

    alias.push_back(0); // servers that append a NUL
    EXPECT_TRUE(FinderInfo::fromRaw(alias)->isAlias());
    alias.push_back(0);
    EXPECT_FALSE(FinderInfo::fromRaw(alias));
    EXPECT_FALSE(FinderInfo::fromRaw(prefix(alias, 31)));
    EXPECT_FALSE(FinderInfo::fromRaw({}));

    EXPECT_TRUE(FinderInfo::fromRaw(Bytes(32, 0))->isZero());
}

TEST(FinderInfoParsers, AfpInfoChecksSignatureVersionAndSize) {
    const Bytes good = test::afpInfo(true);
    ASSERT_TRUE(AfpInfo::finderInfo(good));
    EXPECT_TRUE(AfpInfo::finderInfo(good)->isAlias());
    EXPECT_TRUE(AfpInfo::finderInfo(prefix(good, 60))->isAlias());
    EXPECT_FALSE(AfpInfo::finderInfo(test::afpInfo(false))->isAlias());

    for (std::size_t length = 0; length < 60; ++length) {
        EXPECT_FALSE(AfpInfo::finderInfo(prefix(good, length))) << length;
    }
    EXPECT_FALSE(AfpInfo::finderInfo(with(good, 3, ' '))); // signature
    EXPECT_FALSE(AfpInfo::finderInfo(with(good, 6, 2)));   // version
}

TEST(FinderInfoParsers, AppleDoubleFindsFinderInfoInMacAndNetatalkLayouts) {
    const Bytes sidecar = test::macSidecar(true);
    ASSERT_TRUE(AppleDouble::finderInfo(sidecar));
    EXPECT_TRUE(AppleDouble::finderInfo(sidecar)->isAlias());

    // netatalk lists FinderInfo third; the table must be walked, not assumed.
    const Bytes metadata = test::netatalkMetadata(true);
    ASSERT_TRUE(AppleDouble::finderInfo(metadata));
    EXPECT_TRUE(AppleDouble::finderInfo(metadata)->isAlias());
    EXPECT_FALSE(AppleDouble::finderInfo(test::netatalkMetadata(false))->isAlias());

    // A FinderInfo entry longer than 32 bytes (attributes packed behind it) still counts.
    Bytes packed =
        test::appleDouble({{9, 50, 3728}, {2, 3778, 0}}, 3778, 50, test::finderInfoBytes(true));
    EXPECT_TRUE(AppleDouble::finderInfo(packed)->isAlias());

    // Only the first bytes of a big sidecar are read: the entry is found from them, checked
    // against the size of the whole file.
    auto entry = AppleDouble::findEntry(prefix(packed, 512), packed.size(), 9);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->offset, 50u);
    EXPECT_FALSE(AppleDouble::findEntry(prefix(packed, 512), 3000, 9));
}

TEST(FinderInfoParsers, AppleDoubleRejectsTruncatedAndLyingBlobs) {
    const Bytes good = test::netatalkMetadata(true);
    const std::size_t finderInfoEnd = 122 + 32; // only the entries up to FinderInfo matter
    EXPECT_TRUE(AppleDouble::finderInfo(prefix(good, finderInfoEnd)));
    for (std::size_t length = 0; length < finderInfoEnd; ++length) {
        EXPECT_FALSE(AppleDouble::finderInfo(prefix(good, length))) << length;
    }

    EXPECT_FALSE(AppleDouble::finderInfo(with(good, 3, 0x08))); // magic
    EXPECT_FALSE(AppleDouble::finderInfo(with(good, 5, 0x01))); // version 1

    // Offsets and lengths that point past the end, or wrap around 32 bits.
    const Bytes info = test::finderInfoBytes(true);
    EXPECT_FALSE(AppleDouble::finderInfo(test::appleDouble({{9, 82, 32}}, 100, 50, info)));
    EXPECT_FALSE(AppleDouble::finderInfo(test::appleDouble({{9, 0xFFFFFFF0u, 32}}, 100, 50, info)));
    EXPECT_FALSE(AppleDouble::finderInfo(test::appleDouble({{9, 50, 0xFFFFFFFFu}}, 100, 50, info)));
    // A FinderInfo entry too short to hold FinderInfo; no FinderInfo entry at all.
    EXPECT_FALSE(AppleDouble::finderInfo(test::appleDouble({{9, 50, 31}}, 100, 50, info)));
    EXPECT_FALSE(AppleDouble::finderInfo(test::appleDouble({{2, 50, 32}}, 100, 50, info)));

    // An entry count far beyond the bytes present, and a count of zero.
    EXPECT_FALSE(AppleDouble::finderInfo(with(with(test::macSidecar(true), 24, 0xFF), 25, 0xFF)));
    EXPECT_FALSE(AppleDouble::finderInfo(test::appleDouble({}, 82, 50, info)));
}

TEST(FinderInfoParsers, AliasDataForkHeaderMustFitTheFile) {
    const Bytes fork = test::aliasDataFork(600);
    const std::uint64_t size = fork.size();
    EXPECT_TRUE(AliasDataFork::headerFits(fork, size));
    EXPECT_TRUE(AliasDataFork::headerFits(prefix(fork, AliasDataFork::probeSize), size));
    // Trailing bytes after the stated data are tolerated; missing bytes are not.
    EXPECT_TRUE(AliasDataFork::headerFits(fork, size + 4));
    EXPECT_FALSE(AliasDataFork::headerFits(fork, size - 4));
    EXPECT_FALSE(AliasDataFork::headerFits(prefix(fork, AliasDataFork::probeSize - 1), size));

    // macOS writes every alias data fork 4-aligned and at least 80 bytes long.
    EXPECT_FALSE(AliasDataFork::sizeFits(76));
    EXPECT_FALSE(AliasDataFork::sizeFits(658));
    EXPECT_TRUE(AliasDataFork::sizeFits(80));
    EXPECT_TRUE(AliasDataFork::sizeFits(16 << 20));
    EXPECT_FALSE(AliasDataFork::sizeFits((16 << 20) + 4)); // never read whole: not by content
    EXPECT_FALSE(AliasDataFork::headerFits(fork, size + 2));

    // "book" + length, the form property lists hold; a header shorter than 0x38.
    EXPECT_FALSE(AliasDataFork::headerFits(with(fork, 4, 0x40), size));
    EXPECT_FALSE(AliasDataFork::headerFits(with(fork, 0x10, 0x30), size));
    Bytes hugeData = fork; // header + data length overflow 32 bits
    hugeData[0x18] = hugeData[0x19] = hugeData[0x1a] = hugeData[0x1b] = 0xFF;
    EXPECT_FALSE(AliasDataFork::headerFits(hugeData, size));
}

} // namespace
} // namespace korvex

namespace korvex {
namespace {

// Values as Samba's own NDR encoder writes them, every version with create_time
// 0x0102030405060708 (and version 1's optional "0x20" text in front where it has one).
TEST(FinderInfoParsers, DosAttributesGiveTheCreationDateOfEveryVersion) {
    const double expected = 0x0102030405060708 / 1e7 - 12622780800.0;
    const char* const values[] = {
        "30783230000001000100000020000000000000000000000000000000000000000000000008070605040302"
        "010000000000000000",
        "30783230000002000200000000000000200000000000000000000000000000000000000000000000080706"
        "05040302010000000000000000000000000000000000",
        "30783230000003000300000011000000200000000000000000000000000000000000000000000000080706"
        "05040302010000000000000000",
        "0000040004000000110000002000000018171615141312110807060504030201",
        "000005000500000011000000200000000807060504030201",
    };
    for (const char* hex : values) {
        const test::Bytes value = test::fromHex(hex);
        const std::optional<double> date = DosAttributes::creationDate(value);
        ASSERT_TRUE(date) << hex;
        EXPECT_DOUBLE_EQ(*date, expected) << hex;
        // Cut anywhere before the end of the creation date: nothing; what follows it isn't needed.
        const std::size_t end = std::string_view(hex).find("0807060504030201") / 2 + 8;
        for (std::size_t cut = 0; cut < end; ++cut) {
            EXPECT_FALSE(DosAttributes::creationDate(std::span(value.data(), cut))) << hex << cut;
        }
        EXPECT_TRUE(DosAttributes::creationDate(std::span(value.data(), end))) << hex;
    }
    // 2024-03-01 12:00:00 UTC, as Samba 4.17 stores it for a file a client created then.
    const std::uint64_t ticks = (730900800ull + 12622780800ull) * 10000000ull;
    test::Bytes v5 = test::fromHex("0000050005000000110000002000000000000000000000000");
    v5.resize(16);
    for (int i = 0; i < 8; ++i) {
        v5.push_back(static_cast<std::uint8_t>(ticks >> (8 * i)));
    }
    EXPECT_DOUBLE_EQ(*DosAttributes::creationDate(v5), 730900800.0);
}

TEST(FinderInfoParsers, DosAttributesWithoutACreationDateGiveNone) {
    EXPECT_FALSE(DosAttributes::creationDate(
        test::fromHex("000005000500000001000000200000000807060504030201"))); // not flagged valid
    EXPECT_FALSE(DosAttributes::creationDate(
        test::fromHex("000005000400000011000000200000000807060504030201"))); // switch disagrees
    EXPECT_FALSE(DosAttributes::creationDate(
        test::fromHex("000006000600000011000000200000000807060504030201"))); // unknown version
    EXPECT_FALSE(DosAttributes::creationDate(
        test::fromHex("000005000500000011000000200000000000000000000000"))); // zero: not set
    EXPECT_FALSE(
        DosAttributes::creationDate(test::fromHex("3078323000ffffffff20000000"))); // compat
    EXPECT_FALSE(DosAttributes::creationDate(test::fromHex("30783230"))); // unterminated text
}

} // namespace
} // namespace korvex
