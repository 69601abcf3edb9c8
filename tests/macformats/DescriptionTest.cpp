#include "BookmarkTestData.h"

#include "BookmarkDescription.h"
#include "BookmarkInfo.h"
#include "BookmarkInspection.h"
#include "BookmarkKeys.h"
#include "BookmarkReader.h"
#include "BookmarkWriter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace korvex::bookmark;
using korvex::test::Bytes;

namespace {

TEST(BookmarkDescription, RendersValuesPlainlyAndSafely) {
    using V = BookmarkValue;
    const std::pair<BookmarkValue, std::string> cases[] = {
        {V::makeString("say \"hi\"\n\\"), "\"say \\\"hi\\\"\\n\\\\\""},
        {V::makeString("Cafe\xCC\x81 \xFF"), "\"Cafe\xCC\x81 \\xFF\""},
        {V::makeInteger(-42), "-42"},
        {V::makeReal(0.5), "0.5"},
        {V::makeBool(true), "true"},
        {V::makeNull(), "<null>"},
        {V::makeData({0xde, 0xad}), "<dead>"},
        {V::makeData(Bytes(40, 0x11)), "<" + std::string(64, '1') + "... 40 bytes>"},
        {V::makeUuid(Bytes(16, 0xAB)), "ABABABAB-ABAB-ABAB-ABAB-ABABABABABAB"},
        {V::makeUnknown(0x1234, {1}), "<type 0x1234 <01>>"},
        {V::makeDictionary(
             {{V::makeString("b"), V::makeInteger(2)}, {V::makeString("a"), V::makeInteger(1)}}),
         "[\"a\": 1, \"b\": 2]"},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(BookmarkDescription::valueText(value), text);
}

TEST(BookmarkDescription, DatesAreIso8601Utc) {
    EXPECT_EQ(BookmarkDescription::dateText(0), "2001-01-01T00:00:00Z");
    EXPECT_EQ(BookmarkDescription::dateText(-978307200.0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(BookmarkDescription::dateText(-978307200.5), "1969-12-31T23:59:59.5Z");
    EXPECT_EQ(BookmarkDescription::dateText(520786800.25), "2017-07-03T15:00:00.25Z");
    EXPECT_EQ(BookmarkDescription::dateText(1e300), "1e+300");
    EXPECT_EQ(BookmarkDescription::dateText(std::nan("")), "nan");
}

TEST(BookmarkDescription, NamesTheStoredPropertiesSortedAndStable) {
    BookmarkInfo info;
    info.pathComponents = {"Volumes", "Disk", "a b"};
    info.volumePath = "/Volumes/Disk";
    info.volumeName = "Disk";
    info.volumeUUID = "66D290A3-6692-3D78-ABD5-A2FE6F3F4DBD";
    info.resourceProps = {{0x2, 0xF, 0}};
    Bookmark bookmark =
        BookmarkReader::read(BookmarkWriter::write(info, BookmarkContainer::aliasFile)).value();
    bookmark.set(1, 0xBEEF, BookmarkValue::makeBool(true));
    std::string text = BookmarkDescription::describe(bookmark);

    for (const char* part :
         {"\"_NSURLPathKey\": \"/Volumes/Disk/a b\"", "\"NSURLVolumeNameKey\": \"Disk\"",
          "\"NSURLVolumeUUIDStringKey\": \"66D290A3-6692-3D78-ABD5-A2FE6F3F4DBD\"",
          "\"NSURLBookmarkOriginalRelativePathKey\": \"a b\"", "\"NSURLIsDirectoryKey\": true",
          "\"NSURLIsRegularFileKey\": false", "\"NSURLNameKey\": \"a b\"",
          "\"_NSURLBookmarkURLStringKey\": \"file:///Volumes/Disk/a%20b/\"", "\"0xBEEF\": true",
          "\"creationOptions\": 1024"})
        EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
    EXPECT_EQ(text.find("NSURLIsPackageKey"), std::string::npos); // not among the valid bits
    EXPECT_LT(text.find("NSURLVolumeNameKey"), text.find("_NSURLPathKey"));
    EXPECT_EQ(text.front(), '[');
    EXPECT_EQ(text.back(), ']');
    Bytes again = BookmarkWriter::serialise(bookmark);
    EXPECT_EQ(BookmarkDescription::describe(again), text);
}

TEST(BookmarkDescription, ComponentsThatAreNoListOfNamesAreShownAsStored) {
    using V = BookmarkValue;
    const std::pair<BookmarkValue, const char*> cases[] = {
        {V::makeString("Users"), "\"pathComponents\": \"Users\""},
        {V::makeData({1, 2}), "\"pathComponents\": <0102>"},
        {V::makeArray({V::makeString("a"), V::makeInteger(7)}), "\"pathComponents\": [\"a\", 7]"},
        {V::makeArray({V::makeString("a")}), "\"_NSURLPathKey\": \"/a\""},
    };
    for (const auto& [components, shown] : cases) {
        BookmarkInfo info;
        info.pathComponents = {"Volumes", "Disk", "deep", "file"};
        info.volumePath = "/Volumes/Disk";
        Bookmark bookmark =
            BookmarkReader::read(BookmarkWriter::write(info, BookmarkContainer::raw)).value();
        // A file URL still says where the target is, with more components than the record.
        bookmark.set(1, key::targetUrl, BookmarkValue::makeUrl("file:///Volumes/Disk/deep/file"));
        bookmark.set(1, key::pathComponents, components);
        std::string text;
        ASSERT_TRUE(BookmarkInspection::inspect(BookmarkWriter::serialise(bookmark), text));
        EXPECT_NE(text.find(shown), std::string::npos) << text;
        EXPECT_NE(text.find("target: /"), std::string::npos) << text;
    }
}

TEST(BookmarkDescription, KeysShownAlikeDoNotDependOnTheStoredOrder) {
    // A name that reads like a property, and a key stored twice: one text whatever order
    // the table stored them in (the writer re-sorts tables by key word).
    const std::vector<BookmarkEntry> entries = {
        {BookmarkKey::makeNamed("NSURLNameKey"), BookmarkValue::makeString("named")},
        {key::fileName, BookmarkValue::makeString("numeric")},
        {0x7000, BookmarkValue::makeInteger(2)},
        {0x7000, BookmarkValue::makeInteger(1)},
    };
    Bookmark forward, backward;
    forward.tables.push_back({1, entries, 0});
    backward.tables.push_back({1, {entries.rbegin(), entries.rend()}, 0});
    EXPECT_EQ(BookmarkDescription::describe(forward), BookmarkDescription::describe(backward));
}

TEST(BookmarkDescription, StopsAtItsLimit) {
    BookmarkInfo info;
    info.pathComponents = {"Users", "anna", "notes.txt"};
    info.displayName = "notes.txt";
    Bookmark bookmark =
        BookmarkReader::read(BookmarkWriter::write(info, BookmarkContainer::aliasFile)).value();
    const std::string whole = BookmarkDescription::describe(bookmark);
    EXPECT_EQ(BookmarkDescription::describe(bookmark, whole.size()), whole);
    std::string cut = BookmarkDescription::describe(bookmark, whole.size() - 1);
    EXPECT_EQ(cut.size(), whole.size() - 1);
    EXPECT_TRUE(cut.ends_with("...")) << cut;
    EXPECT_EQ(cut.substr(0, cut.size() - 3), whole.substr(0, cut.size() - 3));

    // Text that would take far more than the limit: escaped control bytes (6 characters
    // each), many entries, a long list. Each is cut at the limit.
    Bookmark big = bookmark;
    big.set(1, 0x7000, BookmarkValue::makeString(std::string(3'000'000, '\x01')));
    BookmarkTable& many = big.tables.emplace_back();
    for (std::uint32_t k = 0; k < 100'000; ++k)
        many.entries.push_back({k, BookmarkValue::makeString("x")});
    big.set(1, 0x7001, BookmarkValue::makeArray(std::vector(100'000, BookmarkValue::makeNull())));
    for (std::size_t limit : {std::size_t(1000), BookmarkDescription::defaultLimit}) {
        std::string text = BookmarkDescription::describe(big, limit);
        EXPECT_EQ(text.size(), limit);
        EXPECT_TRUE(text.ends_with("..."));
    }
    // A cut inside a two-byte character keeps the whole character or none of it.
    std::string accents;
    for (int i = 0; i < 100; ++i)
        accents += "\xC3\xA9";
    for (std::size_t limit : {50, 51}) {
        std::string text =
            BookmarkDescription::valueText(BookmarkValue::makeString(accents), limit);
        EXPECT_LE(text.size(), limit);
        EXPECT_TRUE(text.ends_with("...")) << text;
        EXPECT_EQ((text.size() - 4) % 2, 0u) << text; // the quote, whole characters, "..."
    }
}

TEST(BookmarkInspection, ShowsTargetVolumeAndPropertiesOrTheError) {
    BookmarkInfo info;
    info.pathComponents = {"Users", "anna", "notes.txt"};
    info.volumePath = "/";
    info.volumeName = "Macintosh HD";
    std::string text;
    EXPECT_TRUE(BookmarkInspection::inspect(
        BookmarkWriter::write(info, BookmarkContainer::aliasFile), text));
    EXPECT_NE(text.find("target: /Users/anna/notes.txt\n"), std::string::npos) << text;
    EXPECT_NE(text.find("volume: \"Macintosh HD\" at /"), std::string::npos) << text;
    EXPECT_NE(text.find("properties: [\""), std::string::npos) << text;

    // Names that would clear the terminal or forge a line are shown escaped.
    info.pathComponents = {"a\nb", "\xFF"};
    info.volumeName = "\x1B[2J";
    text.clear();
    EXPECT_TRUE(BookmarkInspection::inspect(
        BookmarkWriter::write(info, BookmarkContainer::aliasFile), text));
    EXPECT_NE(text.find("target: /a\\nb/\\xFF\n"), std::string::npos) << text;
    EXPECT_NE(text.find("volume: \"\\u{1B}[2J\" at /"), std::string::npos) << text;

    std::string error;
    EXPECT_FALSE(BookmarkInspection::inspect(Bytes{'n', 'o', 'p', 'e'}, error));
    EXPECT_NE(error.find("error: "), std::string::npos);
}

} // namespace
