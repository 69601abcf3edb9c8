// The parsers of Mac metadata: bare FinderInfo, AfpInfo, AppleDouble (sidecars and netatalk
// metadata) and the alias data-fork header. They read bytes from other machines, so every
// truncation and every lying offset must give a clean "no".

#include "AfpInfo.h"
#include "AliasDataFork.h"
#include "AppleDouble.h"
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
