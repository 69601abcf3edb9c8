// The new bookmark data of a relink, the Mac path it is written with, and the undo records.
#include "linux/TempTree.h"
#include "relink/Base64.h"
#include "relink/MacPathFinder.h"
#include "relink/RelinkRecord.h"
#include "relink/RelinkedBookmark.h"

#include "bookmark/BookmarkKeys.h"
#include "bookmark/TypeBinding.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using test::Bytes;

TEST(Base64Test, RoundTripsAndRefusesJunk) {
    for (const Bytes& bytes :
         {Bytes{}, Bytes{0}, Bytes{0xFF, 1}, Bytes{1, 2, 3}, Bytes{9, 8, 7, 6}}) {
        EXPECT_EQ(base64Decode(base64Encode(bytes)), bytes);
    }
    EXPECT_EQ(base64Encode({'M', 'a'}), "TWE=");
    for (const char* junk : {"TWE", "T=E=", "TW*=", "TQ==TQ=="}) {
        EXPECT_FALSE(base64Decode(junk)) << junk;
    }
}

TEST(RelinkRecordTest, SurvivesJournalAndSidecar) {
    const RelinkRecord record{"/data/a\tb", "x\\y/z\nalias", test::aliasBytes("/a"),
                              test::aliasBytes("/b")};
    const std::vector<RelinkRecord> read =
        RelinkRecord::fromJournal("junk line\n" + record.journalLine() + "relink\tonly\n");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0], record);
    std::optional<RelinkRecord> sidecar =
        RelinkRecord::fromSidecar("Optional(...)\n" + record.sidecarLines());
    ASSERT_TRUE(sidecar);
    EXPECT_EQ(sidecar->before, record.before);
    EXPECT_EQ(sidecar->after, record.after);
    EXPECT_FALSE(RelinkRecord::fromSidecar("Optional(...)\n"));
}

TEST(RelinkedBookmarkTest, NamesTheNewTargetAndDropsTheOldOnesFacts) {
    bookmark::BookmarkInfo old =
        test::infoOf(test::aliasBytes("/Volumes/Archive/P/a.pdf", "/Volumes/Archive", "Archive"));
    old.fileIDs = {1, 2, 3, 4};
    old.creationDate = 12345;
    old.displayName = "a.pdf";
    old.creatorUser = "me";
    const Bytes previous =
        bookmark::BookmarkWriter::write(old, bookmark::BookmarkContainer::aliasFile);

    const struct {
        std::string macPath;
        std::string volumePath;
        std::optional<std::string> volumeName;
        bool keepsUuid;
        std::vector<std::optional<std::int64_t>> ids; // the shared leading folders keep theirs
    } rows[] = {
        {"/Volumes/Archive/Q/a.pdf", "/Volumes/Archive", "Archive", true, {1, 2, {}, {}}},
        {"/Volumes/Other/P/a.pdf", "/Volumes/Other", "Other", false, {1, {}, {}, {}}},
        {"/Users/me/a.pdf", "/", std::nullopt, false, {}},
    };
    for (const auto& row : rows) {
        RelinkTarget target{row.macPath, false, 777.0, {}};
        std::optional<Bytes> fresh = RelinkedBookmark::make(previous, target);
        ASSERT_TRUE(fresh) << row.macPath;
        const bookmark::BookmarkInfo info = test::infoOf(*fresh);
        EXPECT_EQ(info.targetPath(), row.macPath);
        EXPECT_EQ(info.fileIDs, row.ids) << row.macPath;
        EXPECT_EQ(info.creationDate, std::optional(777.0));
        EXPECT_EQ(info.displayName, std::optional<std::string>("a.pdf")); // the same name
        EXPECT_EQ(info.creatorUser, std::optional<std::string>("me"));
        EXPECT_EQ(info.volumePath, std::optional(row.volumePath));
        EXPECT_EQ(info.volumeName, row.volumeName) << row.macPath;
        EXPECT_EQ(info.volumeUUID.has_value(), row.keepsUuid) << row.macPath;
    }
    EXPECT_FALSE(RelinkedBookmark::make(Bytes{1, 2, 3}, {"/a", false, {}, {}}));
    EXPECT_FALSE(RelinkedBookmark::make(previous, {"relative/a", false, {}, {}}));
}

// A file on a volume mounted from a disk image, as macOS describes it: the volume, the image
// file's table (4000, reached through 0x2040) and the boot volume.
bookmark::BookmarkInfo onDiskImage() {
    bookmark::BookmarkInfo info = test::infoOf(
        test::aliasBytes("/Volumes/Untitled/file1.txt", "/Volumes/Untitled", "Untitled"));
    info.fileIDs = {5, 2, 19};
    info.volumeProps = {{0x100000261, 0x1000013EF, 0x1000013EF}};
    info.typeBindingData = bookmark::TypeBinding::forItem("file1.txt", false, false);
    bookmark::BookmarkVolumeInfo root;
    root.path = "/";
    root.url = "file:///";
    root.name = "Macintosh HD";
    root.uuid = "07FD1A5D-7D66-475A-AF51-934CDEF2D60C";
    info.bootVolume = root;
    bookmark::BookmarkVolumeInfo image = root;
    image.pathComponents = std::vector<std::string>{"Users", "anna", "Untitled.dmg"};
    info.diskImage = image;
    return info;
}

TEST(RelinkedBookmarkTest, OntoAnotherVolumeNothingOfTheOldVolumeOrItsImageStays) {
    const Bytes previous =
        bookmark::BookmarkWriter::write(onDiskImage(), bookmark::BookmarkContainer::aliasFile);
    ASSERT_TRUE(bookmark::BookmarkReader::read(previous)->table(bookmark::tocId::diskImage));
    const Bytes fresh = *RelinkedBookmark::make(
        previous, {"/Volumes/OtherImage/file1.txt", false, std::nullopt, {}});
    auto read = bookmark::BookmarkReader::read(fresh);
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->table(bookmark::tocId::diskImage));
    EXPECT_FALSE(read->find(bookmark::tocId::target, bookmark::key::volBookmark));
    EXPECT_FALSE(read->find(bookmark::tocId::target, bookmark::key::volProps));
    EXPECT_EQ(std::string(fresh.begin(), fresh.end()).find("Untitled"), std::string::npos);
    const bookmark::BookmarkInfo info = test::infoOf(fresh);
    EXPECT_EQ(info.volumeName, std::optional<std::string>("OtherImage"));
    EXPECT_EQ(info.fileIDs, (std::vector<std::optional<std::int64_t>>{5, {}, {}})); // /Volumes
    EXPECT_EQ(info.bootVolume, onDiskImage().bootVolume); // the Mac's root volume stays
    EXPECT_EQ(info.displayName, onDiskImage().displayName);
    EXPECT_EQ(info.typeBindingData, onDiskImage().typeBindingData);

    // On the same volume, the image stays true.
    const Bytes moved = *RelinkedBookmark::make(
        previous, {"/Volumes/Untitled/new/file1.txt", false, std::nullopt, {}});
    EXPECT_TRUE(bookmark::BookmarkReader::read(moved)->table(bookmark::tocId::diskImage));
    EXPECT_EQ(test::infoOf(moved).volumeProps, onDiskImage().volumeProps);
}

TEST(RelinkedBookmarkTest, AVolumeWithoutPersistentIdsGetsNoneAndKeysKeepTheirOrder) {
    bookmark::BookmarkInfo stick =
        test::infoOf(test::aliasBytes("/Volumes/SANDISK/untitled", "/Volumes/SANDISK", "SANDISK"));
    stick.fileIDs = {23589, std::nullopt, std::nullopt};
    stick.creationDate = 1.0;
    stick.volumeProps = {{0xE1, 0x1000013EF, 0x1000013EF}};
    const Bytes previous =
        bookmark::BookmarkWriter::write(stick, bookmark::BookmarkContainer::aliasFile);
    const Bytes fresh = *RelinkedBookmark::make(
        previous, {"/Volumes/SANDISK/b/untitled", false, 5.0, {12452723, 1, 2, 3}});
    EXPECT_EQ(test::infoOf(fresh).fileIDs,
              (std::vector<std::optional<std::int64_t>>{23589, {}, {}, {}}));
    auto keys = [](const Bytes& bytes) {
        std::vector<std::uint32_t> out;
        const auto read = bookmark::BookmarkReader::read(bytes);
        for (const auto& e : read->tables[0].entries)
            out.push_back(e.key.code);
        return out;
    };
    EXPECT_EQ(keys(fresh), keys(previous));
}

TEST(MacPathFinderTest, LeadsBackToTheMacOrNowhere) {
    auto alias = [](const std::string& stored, const std::string& volumePath,
                    const std::string& volumeName) {
        return *BrokenAlias::from("/t/x", "x", test::aliasBytes(stored, volumePath, volumeName));
    };
    const MacPathFinder finder({{"/Volumes/Archive", "/srv/share"}},
                               MountTable(std::vector<MountPoint>{{"/media/me/STICK", "vfat"}}),
                               [](const std::string& path) { return path == "/srv"; });
    const struct {
        BrokenAlias alias;
        std::string local;
        std::optional<std::string> expected;
    } rows[] = {
        {alias("/Volumes/Archive/P/a", "/Volumes/Archive", "Archive"), "/srv/share/Q/a",
         "/Volumes/Archive/Q/a"},
        {alias("/Volumes/STICK/a", "/Volumes/STICK", "STICK"), "/media/me/STICK/b/a",
         "/Volumes/STICK/b/a"},
        {alias("/Volumes/Gone/a", "/Volumes/Gone", "Gone"), "/home/a", std::nullopt},
        {alias("/Users/me/a", "/", "Macintosh HD"), "/home/me/a", std::nullopt},
        {alias("/srv/old/a", "/", "Macintosh HD"), "/srv/new/a", "/srv/new/a"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(finder.macPath(row.alias, row.local), row.expected) << row.local;
    }
}

} // namespace
} // namespace korvex
