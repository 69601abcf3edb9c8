// The new bookmark data of a relink, the Mac path it is written with, and the undo records.
#include "Base64.h"
#include "MacPathFinder.h"
#include "RelinkRecord.h"
#include "RelinkedBookmark.h"
#include "Sha256.h"
#include "TempTree.h"

#include "BookmarkKeys.h"
#include "TypeBinding.h"

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

TEST(Sha256Test, KnownDigests) {
    const std::string abc = "abc";
    const std::string twoBlocks = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    const auto digest = [](const std::string& text) {
        return digestHex(sha256(Bytes(text.begin(), text.end())));
    };
    EXPECT_EQ(digest(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digest(abc), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(digest(twoBlocks),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(digest(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    Digest back{};
    ASSERT_TRUE(digestFromHex(digest(abc), back));
    EXPECT_EQ(digestHex(back), digest(abc));
    EXPECT_FALSE(digestFromHex(digest(abc).substr(1) + "g", back));
}

TEST(RelinkRecordTest, ReadsItsJournalLineAndTheFormerOne) {
    RelinkRecord record = RelinkRecord::of("/data/a\tb", "x\\y/z\nalias", test::aliasBytes("/a"),
                                           test::aliasBytes("/b"));
    record.folderDevice = 2049;
    record.folderInode = 77;
    record.aliasInode = 78;
    std::string line = record.journalLine();
    ASSERT_EQ(line.back(), '\n');
    line.pop_back();
    std::optional<RelinkRecord> read = RelinkRecord::fromJournalLine(line, true);
    ASSERT_TRUE(read);
    RelinkRecord expected = record;
    expected.after.clear(); // the journal keeps its digest only
    EXPECT_EQ(*read, expected);
    read = RelinkRecord::fromJournalLine(line, false);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->before.empty());
    EXPECT_EQ(read->beforeDigest, record.beforeDigest);

    // Records of earlier versions, on users' disks: both data in full.
    const std::string former =
        "relink\t/data/f\tp/q\t" + base64Encode(record.before) + '\t' + base64Encode(record.after);
    read = RelinkRecord::fromJournalLine(former, true);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->folder, "/data/f");
    EXPECT_EQ(read->relativePath, "p/q");
    EXPECT_EQ(read->before, record.before);
    EXPECT_EQ(read->afterDigest, record.afterDigest);

    // Old data that doesn't match its digest is no record.
    std::string tampered = line;
    tampered[tampered.size() - 6] = tampered[tampered.size() - 6] == 'A' ? 'B' : 'A';
    EXPECT_FALSE(RelinkRecord::fromJournalLine(tampered, true));
    for (const std::string junk : {"junk line", "relink\tonly", "settled\tx", ""}) {
        EXPECT_FALSE(RelinkRecord::fromJournalLine(junk, false)) << junk;
    }
    EXPECT_EQ(RelinkRecord::settledOffset("settled\t1234"), 1234u);
    std::string settled = RelinkRecord::settledLine(99);
    settled.pop_back();
    EXPECT_EQ(RelinkRecord::settledOffset(settled), 99u);
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

    // Off that volume, onto the Mac's own file system seen here: the new file's ids count.
    EXPECT_EQ(test::infoOf(
                  *RelinkedBookmark::make(previous, {"/srv/b/untitled", false, 5.0, {2, 44, 45}}))
                  .fileIDs,
              (std::vector<std::optional<std::int64_t>>{2, 44, 45}));
}

// The kind bits say what the new target is: a file is no package or application; a folder keeps
// them. The mask vouches for every kind bit written.
TEST(RelinkedBookmarkTest, TheKindIsTheNewTargets) {
    bookmark::BookmarkInfo app = test::infoOf(test::aliasBytes("/Volumes/A/Old.app"));
    app.resourceProps = std::array<std::uint64_t, 3>{0x212, 0x212, 0x212};
    const Bytes previous =
        bookmark::BookmarkWriter::write(app, bookmark::BookmarkContainer::aliasFile);
    const struct {
        bool isDirectory;
        std::uint64_t flags;
    } rows[] = {{false, 0x1}, {true, 0x212}};
    for (const auto& row : rows) {
        const bookmark::BookmarkInfo info = test::infoOf(
            *RelinkedBookmark::make(previous, {"/Volumes/A/New.app", row.isDirectory, {}, {}}));
        ASSERT_TRUE(info.resourceProps) << row.isDirectory;
        EXPECT_EQ((*info.resourceProps)[0], row.flags) << row.isDirectory;
        EXPECT_EQ((*info.resourceProps)[1], 0x21Fu) << row.isDirectory;
    }
}

// A type binding macOS didn't lay out is kept only while extension, kind and volume kind stay.
// Without a date the old one goes too: it was the old target's.
TEST(RelinkedBookmarkTest, KeepsAnUnknownTypeBindingOnlyWhileItStillHoldsAndNoOldDate) {
    bookmark::BookmarkInfo old =
        test::infoOf(test::aliasBytes("/Volumes/A/report.pdf", "/Volumes/A", "A", 12345.0));
    const std::vector<std::uint8_t> unknown{'b', 'l', 'o', 'b'};
    old.typeBindingData = unknown;
    const Bytes previous =
        bookmark::BookmarkWriter::write(old, bookmark::BookmarkContainer::aliasFile);
    bookmark::BookmarkInfo dotted = old;
    dotted.pathComponents = {"Volumes", "A", ".profile"};
    const Bytes previousDotted =
        bookmark::BookmarkWriter::write(dotted, bookmark::BookmarkContainer::aliasFile);
    const struct {
        const Bytes& previous;
        std::string macPath;
        bool kept;
    } rows[] = {
        {previous, "/Volumes/A/B/other.pdf", true},
        {previous, "/Volumes/A/B/report.txt", false},
        {previous, "/Volumes/A/B/report", false},
        {previousDotted, "/Volumes/A/B/.bashrc", true}, // no extension either time
    };
    for (const auto& row : rows) {
        const bookmark::BookmarkInfo info =
            test::infoOf(*RelinkedBookmark::make(row.previous, {row.macPath, false, {}, {}}));
        EXPECT_EQ(info.typeBindingData.has_value(), row.kept) << row.macPath;
        EXPECT_EQ(info.creationDate, std::nullopt) << row.macPath;
    }
}

TEST(MacPathFinderTest, LeadsBackToTheMacOrNowhere) {
    auto alias = [](const std::string& stored, const std::string& volumePath,
                    const std::string& volumeName) {
        return *BrokenAlias::from("/t/x", "x", test::aliasBytes(stored, volumePath, volumeName));
    };
    // Given shallow first: the deepest local folder is tried first all the same.
    const MacPathFinder finder({{"/Volumes/Archive", "/srv/share"},
                                {"/Volumes/Deep", "/srv/share/deep"},
                                {"/", "/mnt/mac"},
                                {"/Volumes/T/", "/srv/t/"},
                                {"Volumes/Rel", "/srv/rel"}}, // no Mac path: never used
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
        {alias("/Volumes/Archive/P/a", "/Volumes/Archive", "Archive"), "/srv/share/deep/a",
         "/Volumes/Deep/a"},
        {alias("/Volumes/Archive/P/a", "/Volumes/Archive", "Archive"), "/srv/shared/a",
         std::nullopt}, // whole components only
        {alias("/Users/me/a", "/", "Macintosh HD"), "/mnt/mac/Users/me/b", "/Users/me/b"},
        {alias("/Volumes/T/a", "/Volumes/T", "T"), "/srv/t/b", "/Volumes/T/b"},
        {alias("/Volumes/Rel/a", "/Volumes/Rel", "Rel"), "/srv/rel/a", std::nullopt},
        {alias("/Volumes/STICK/a", "/Volumes/STICK/", "STICK"), "/media/me/STICK/b",
         "/Volumes/STICK/b"},
        {alias("/Volumes/STICK/a", "/Volumes/STICK", "STICK"), "/home/STICK/a", std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(finder.macPath(row.alias, row.local), row.expected) << row.local;
    }

    // A mapping of this machine's root folder.
    const MacPathFinder whole({{"/Volumes/Whole", "/"}}, MountTable(),
                              [](const std::string&) { return false; });
    EXPECT_EQ(whole.macPath(alias("/Volumes/Whole/a", "/Volumes/Whole", "Whole"), "/home/b"),
              std::optional<std::string>("/Volumes/Whole/home/b"));
}

} // namespace
} // namespace korvex
