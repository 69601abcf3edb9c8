#include "BookmarkDescription.h"
#include "BookmarkInfo.h"
#include "BookmarkInspection.h"
#include "BookmarkKeys.h"
#include "ClassicAlias.h"
#include "ClassicAliasRecord.h"
#include "ClassicTestData.h"
#include "MacText.h"
#include "ResourceFork.h"

#include <gtest/gtest.h>

namespace korvex::classic {
namespace {

using namespace classictest;

std::string textOf(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(ResourceFork, FindsTheAliasResourceWithIdZeroElseTheFirst) {
    const Bytes icon(40, 0xAA);
    struct Case {
        const char* what;
        std::vector<Resource> resources;
        std::string expected;
    };
    const Case cases[] = {
        {"only one", {{alis, 128, bytesOf("one")}}, "one"},
        {"ID 0 after another", {{alis, 128, bytesOf("first")}, {alis, 0, bytesOf("zero")}}, "zero"},
        {"no ID 0: the first", {{alis, 5, bytesOf("five")}, {alis, 7, bytesOf("seven")}}, "five"},
        {"other types around it",
         {{0x69636E23, 0, icon}, {alis, 0, bytesOf("target")}, {0x53545220, 0, bytesOf("x")}},
         "target"},
        {"empty resource", {{alis, 0, {}}}, ""},
    };
    for (const Case& c : cases) {
        const Bytes fork = resourceFork(c.resources);
        auto found = ResourceFork::find(fork, ResourceFork::aliasType);
        ASSERT_TRUE(found) << c.what << ": " << found.error().message;
        EXPECT_EQ(textOf(found.value()), c.expected) << c.what;
    }
}

TEST(ResourceFork, RefusesHostileMapsWithoutReadingOutside) {
    const Bytes good = resourceFork({{alis, 0, bytesOf("record")}});
    const std::size_t map = 16 + 4 + 6; // header, length word, data
    struct Case {
        const char* what;
        std::size_t at;
        std::uint32_t value;
        bool wide;
    };
    const Case cases[] = {
        {"data offset past the end", 0, 0xFFFFFFF0, true},
        {"map offset past the end", 4, 0x7FFFFFFF, true},
        {"map length past the end", 12, 0x10000, true},
        {"map shorter than its header", 12, 8, true},
        {"type list offset past the map", map + 24, 0xFFF0, false},
        {"type count near 65,535", map + 28, 0xFFFE, false},
        {"reference count near 65,535", map + 28 + 2 + 4, 0xFFFE, false},
        {"reference list offset past the map", map + 28 + 2 + 6, 0xFFF0, false},
        {"data offset of the resource past the data", map + 28 + 10 + 4, 0x00FFFFFF, true},
        {"resource length past the fork", 16, 0xFFFFFFFF, true},
        {"no types at all (count 0xFFFF)", map + 28, 0xFFFF, false},
    };
    for (const Case& c : cases) {
        Bytes fork = good;
        if (c.wide) {
            put32(fork, c.at, c.value);
        } else {
            put16(fork, c.at, c.value);
        }
        EXPECT_FALSE(ResourceFork::find(fork, ResourceFork::aliasType)) << c.what;
    }
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_FALSE(ResourceFork::find(std::span(good).first(cut), ResourceFork::aliasType))
            << "cut at " << cut;
    }
}

TEST(ResourceFork, TypeEntriesSharingOneListAreReadOnce) {
    // 200 type entries, all 'alis', all pointing at one reference list with 65,535 entries
    // claimed: refused at once (the list can't fit), never walked 200 times.
    Bytes fork = resourceFork({{alis, 0, bytesOf("r")}});
    const std::size_t map = 16 + 4 + 1;
    Bytes extra;
    for (int i = 0; i < 200; ++i) {
        append32(extra, alis);
        append16(extra, 0xFFFE);
        append16(extra, 2);
    }
    fork.insert(fork.begin() + map + 30, extra.begin(), extra.end());
    put16(fork, map + 28, 200);
    put32(fork, 12, static_cast<std::uint32_t>(fork.size() - map));
    EXPECT_FALSE(ResourceFork::find(fork, ResourceFork::aliasType));
}

TEST(AliasRecord, ReadsTheFixedPartOfVersion2) {
    RecordBuilder builder;
    builder.kind = 1;
    builder.volumeName = "Archive\x8E"; // Mac OS Roman é
    builder.targetName = "Letters";
    auto record = AliasRecord::read(builder.build());
    ASSERT_TRUE(record) << record.error().message;
    EXPECT_EQ(record->version, 2);
    EXPECT_EQ(record->kind, 1);
    EXPECT_EQ(record->volumeName, "Archive\xC3\xA9");
    EXPECT_EQ(record->targetName, "Letters");
    EXPECT_EQ(record->parentCNID, 0x1234u);
    EXPECT_EQ(record->targetCNID, 0x5678u);
    EXPECT_EQ(record->targetCreated, 0xB5000000u);
    EXPECT_EQ(record->fileSystem, 0x482B0000u);
    EXPECT_EQ(record->targetType, 0x54455854u);
}

TEST(AliasRecord, ReadsTheTaggedFields) {
    RecordBuilder builder;
    builder.version = 3;
    Bytes cnids;
    append32(cnids, 20);
    append32(cnids, 2);
    Bytes date(8, 0);
    put32(date, 0, 0xB500);
    builder.text(0, "Docs")
        .tag(1, cnids)
        .text(2, "Macintosh HD:Users:ann:Docs:A/B")
        .tag(14, unicodeName(u"A\u00e9"))
        .tag(15, unicodeName(u"Macintosh HD"))
        .tag(17, date)
        .text(18, "Users/ann/Docs/A:B")
        .text(19, "/")
        .tag(21, Bytes{0, 10})
        .tag(9, Bytes{1, 2, 3});
    auto record = AliasRecord::read(builder.build());
    ASSERT_TRUE(record) << record.error().message;
    EXPECT_EQ(record->folderName, "Docs");
    EXPECT_EQ(record->cnidPath, (std::vector<std::uint32_t>{20, 2}));
    EXPECT_EQ(record->carbonPath, "Macintosh HD:Users:ann:Docs:A/B");
    EXPECT_EQ(record->targetName, "A\xC3\xA9");
    EXPECT_EQ(record->volumeName, "Macintosh HD");
    EXPECT_EQ(record->targetCreatedUtc, double(0xB5000000u));
    EXPECT_EQ(record->posixPath, "Users/ann/Docs/A:B");
    EXPECT_EQ(record->volumeMountPoint, "/");
    EXPECT_EQ(record->userHomePrefixLength, 10);
    ASSERT_EQ(record->otherTags.size(), 1u);
    EXPECT_EQ(record->otherTags[0].first, 9);
}

TEST(AliasRecord, RefusesDamagedRecords) {
    const Bytes good = RecordBuilder().text(2, "Vol:file").build();
    struct Case {
        const char* what;
        std::size_t at;
        std::uint16_t value;
    };
    const Case cases[] = {
        {"version 1", 6, 1},
        {"version 4", 6, 4},
        {"size below the fixed part", 4, 100},
        {"size past the bytes", 4, 0xFFFF},
        {"tag length past the record", 152, 0x7000},
    };
    for (const Case& c : cases) {
        Bytes bytes = good;
        put16(bytes, c.at, c.value);
        EXPECT_FALSE(AliasRecord::read(bytes)) << c.what;
    }
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_FALSE(AliasRecord::read(std::span(good).first(cut))) << "cut at " << cut;
    }
    RecordBuilder unterminated;
    unterminated.terminate = false;
    EXPECT_TRUE(AliasRecord::read(unterminated.text(2, "V:f").build()));
}

TEST(ClassicAlias, BuildsTheTargetPathFromWhatTheRecordHolds) {
    struct Case {
        const char* what;
        RecordBuilder record;
        std::string path;   // empty: unknown
        std::string volume; // stored volume path
    };
    std::vector<Case> cases;
    cases.push_back({"POSIX path on the boot volume",
                     RecordBuilder().text(18, "Users/ann/a.txt").text(19, "/"), "/Users/ann/a.txt",
                     "/"});
    cases.push_back({"POSIX path on another volume",
                     RecordBuilder().text(18, "Photos/b.jpg").text(19, "/Volumes/Disk"),
                     "/Volumes/Disk/Photos/b.jpg", "/Volumes/Disk"});
    cases.push_back({"Carbon path only", RecordBuilder().text(2, "Macintosh HD:Docs:c/d"),
                     "/Volumes/Macintosh HD/Docs/c:d", "/Volumes/Macintosh HD"});
    RecordBuilder atRoot;
    atRoot.levelsToTarget = 1;
    cases.push_back({"no path, target at the volume's root", atRoot,
                     "/Volumes/Macintosh HD/Report.txt", "/Volumes/Macintosh HD"});
    cases.push_back({"nothing that tells the path", RecordBuilder(), "", ""});
    cases.push_back({"POSIX path, no volume name, no mount point",
                     [] {
                         RecordBuilder r;
                         r.volumeName = "";
                         return r.text(18, "x");
                     }(),
                     "", ""});
    for (const Case& c : cases) {
        auto record = AliasRecord::read(c.record.build());
        ASSERT_TRUE(record) << c.what;
        const bookmark::BookmarkInfo info = ClassicAlias::infoOf(record.value());
        EXPECT_EQ(info.pathKnown, !c.path.empty()) << c.what;
        if (!c.path.empty()) {
            EXPECT_EQ(info.targetPath(), c.path) << c.what;
            EXPECT_EQ(info.volumePath, c.volume) << c.what;
        } else {
            EXPECT_FALSE(info.volumePath) << c.what; // never "resolves" to the volume itself
        }
        // The bookmark it is seen as says the same.
        const bookmark::BookmarkInfo back =
            bookmark::BookmarkInfo::from(ClassicAlias::toBookmark(record.value()));
        EXPECT_EQ(back.pathKnown, info.pathKnown) << c.what;
        EXPECT_EQ(back.targetPath(), info.targetPath()) << c.what;
    }
}

TEST(ClassicAlias, ReadsBookmarkDataBareRecordsAndForksAlike) {
    const Bytes record = RecordBuilder().text(18, "Users/ann/a.txt").text(19, "/").build();
    const Bytes fork = resourceFork({{alis, 0, record}});
    for (const Bytes* bytes : {&record, &fork}) {
        auto content = ClassicAlias::read(*bytes);
        ASSERT_TRUE(content) << content.error().message;
        ASSERT_TRUE(content->record);
        const std::string text = bookmark::BookmarkDescription::describe(content->bookmark);
        for (const char* expected :
             {"\"_NSURLPathKey\": \"/Users/ann/a.txt\"", "\"NSURLVolumeNameKey\": \"Macintosh HD\"",
              "\"NSURLIsRegularFileKey\": true", "\"targetCNID\": 22136",
              "\"posixPath\": \"Users/ann/a.txt\"", "\"aliasVersion\": 2",
              "\"targetType\": \"TEXT\"", "\"NSURLCreationDateKey\": "}) {
            EXPECT_NE(text.find(expected), std::string::npos) << expected << " in " << text;
        }
    }
    EXPECT_FALSE(ClassicAlias::read(resourceFork({{0x53545220, 0, bytesOf("x")}})));
    EXPECT_FALSE(ClassicAlias::read(bytesOf("neither bookmark data nor a record")));
}

TEST(ClassicAlias, IsDescribedInsideBookmarkDataAndByInspect) {
    const Bytes record = RecordBuilder().text(2, "Macintosh HD:Photos:b.jpg").build();
    bookmark::Bookmark embedding;
    embedding.set(bookmark::tocId::target, bookmark::key::aliasData,
                  bookmark::BookmarkValue::makeData(record));
    const std::string text = bookmark::BookmarkDescription::describe(embedding);
    EXPECT_NE(text.find("\"aliasData\": [\"NSURLBookmarkOriginalRelativePathComponentsArrayKey\""),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\"/Volumes/Macintosh HD/Photos/b.jpg\""), std::string::npos) << text;

    std::string inspected;
    ASSERT_TRUE(
        bookmark::BookmarkInspection::inspect(resourceFork({{alis, 0, record}}), inspected));
    EXPECT_EQ(inspected.substr(0, inspected.find("\n  properties")),
              "  kind: classic alias record (version 2)\n"
              "  target: /Volumes/Macintosh HD/Photos/b.jpg\n"
              "  volume: \"Macintosh HD\" at /Volumes/Macintosh HD");

    // The file system's signature reads the same from either version: 'H+', padded with two
    // zero bytes in version 3.
    for (const std::uint16_t version : {2, 3}) {
        RecordBuilder builder;
        builder.version = version;
        inspected.clear();
        ASSERT_TRUE(bookmark::BookmarkInspection::inspect(builder.build(), inspected));
        EXPECT_NE(inspected.find("\"volumeSignature\": \"H+\""), std::string::npos)
            << version << inspected;
    }
}

TEST(MacText, TurnsMacRomanAndUtf16IntoUtf8) {
    EXPECT_EQ(MacText::fromMacRoman(bytesOf("Caf\x8E \xA5 \xF0")),
              "Caf\xC3\xA9 \xE2\x80\xA2 \xEF\xA3\xBF");
    const Bytes pair{0xD8, 0x3D, 0xDE, 0x00, 0xDC, 0x00, 0x00, 0x41};
    EXPECT_EQ(MacText::fromUtf16BigEndian(pair), "\xF0\x9F\x98\x80\xEF\xBF\xBD"
                                                 "A");
}

} // namespace
} // namespace korvex::classic
