// Where a stored target is looked for on this machine, in which order, and where never; and the
// fresh data of a refresh: the Mac's terms are kept whenever the target was found only in this
// machine's terms, while found at its stored path the file's own facts are recorded.
#include "BookmarkKeys.h"
#include "BookmarkRefresher.h"
#include "BookmarkResolver.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace korvex {
namespace {

using bookmark::BookmarkInfo;
using test::aliasBytes;
using test::Bytes;
using test::infoOf;
using test::TempTree;

const std::string nfd = "Cafe\xCC\x81"; // e + combining acute, as a Mac stores names
const std::string nfc = "Caf\xC3\xA9";  // precomposed, as Linux programs write them

BookmarkInfo storedAt(const std::string& path, const std::string& volumePath = "/",
                      const std::string& volumeName = "Macintosh HD") {
    return test::infoOf(test::aliasBytes(path, volumePath, volumeName));
}

const bookmark::BookmarkKey futureKey = bookmark::BookmarkKey::makeNamed("NSURLFutureKey");

// `bytes` with an entry this project doesn't know, as a later macOS may add.
Bytes withUnknownKey(const Bytes& bytes) {
    auto parsed = bookmark::BookmarkReader::read(bytes);
    parsed->set(1, futureKey, bookmark::BookmarkValue::makeString("later"));
    return bookmark::BookmarkWriter::serialise(parsed.value());
}

bool keptUnknownKey(const Bytes& bytes) {
    auto parsed = bookmark::BookmarkReader::read(bytes);
    return parsed && parsed->find(1, futureKey) && bytes.size() > 16 && bytes[4] == 0 &&
           bytes[8] == 'm'; // still the alias-file container
}

class ResolutionTest : public ::testing::Test {
protected:
    TempTree tree;
    MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};
    std::vector<PathMapping> mappings;

    // The path found, "stale:" in front when not at the stored path, or "broken".
    std::string resolve(const BookmarkInfo& info, std::vector<PathMapping> with = {}) {
        ReadResult<Resolution> found = BookmarkResolver(std::move(with), mounts).resolve(info);
        return !found ? "broken" : (found->isStale() ? "stale:" : "") + found->target.path;
    }
    ReadResult<BookmarkData> refresh(const std::string& target, const Bytes& previous) {
        BookmarkResolver resolver(mappings, mounts);
        return BookmarkRefresher(resolver, mounts).refresh(fileUrlWithPath(target), previous);
    }
};

TEST_F(ResolutionTest, StoredPathThenLongestMappingThenSameNameVolume) {
    const std::string here = tree.file("docs/plan");
    EXPECT_EQ(resolve(storedAt(here)), here);
    EXPECT_EQ(resolve(storedAt(tree.path("docs/gone"))), "broken");

    const BookmarkInfo info =
        storedAt("/Volumes/Archive/Projects/plan", "/Volumes/Archive", "Archive");
    const std::string inShort = tree.file("short/Projects/plan");
    const std::string inLong = tree.file("long/plan");
    // Given shortest first, the longer Mac prefix is still tried first; trailing slashes are fine.
    std::vector<PathMapping> both{{"/Volumes/Archive/", tree.path("short")},
                                  {"/Volumes/Archive/Projects", tree.path("long/")}};
    EXPECT_EQ(resolve(info, both), "stale:" + inLong);
    ::unlink(inLong.c_str());
    EXPECT_EQ(resolve(info, both), "stale:" + inShort);
    // Prefixes match whole components only.
    EXPECT_EQ(resolve(info, {{"/Volumes/Arch", tree.path("short")}}), "broken");

    // A volume mounted here under the stored volume's name; mappings still come first.
    const std::string stick = tree.path("media/Archive");
    const std::string onStick = tree.file("media/Archive/Projects/plan");
    mounts = MountTable({{"/", "ext4"}, {tree.path("media/Other"), "vfat"}, {stick, "vfat"}});
    EXPECT_EQ(resolve(info), "stale:" + onStick);
    EXPECT_EQ(resolve(info, both), "stale:" + inShort);
    // The volume root (no components) is where the volume is mounted.
    EXPECT_EQ(resolve(storedAt("/", "/Volumes/Archive", "Archive")), "stale:" + stick);
    // A folder of that name without a file system mounted on it is no volume.
    mounts = MountTable(std::vector<MountPoint>{{"/", "ext4"}});
    EXPECT_EQ(resolve(info), "broken");
}

TEST_F(ResolutionTest, NamesMatchInAnyNormalisationOnlyWhenNoPlaceMatchesExactly) {
    const std::string composed = tree.file("mac/" + nfc + "/menu");
    EXPECT_EQ(resolve(storedAt(tree.path("mac/" + nfd + "/menu"))), "stale:" + composed);
    // A Mac prefix typed composed still covers a path stored decomposed.
    EXPECT_EQ(resolve(storedAt("/Volumes/" + nfd + "/menu"),
                      {{"/Volumes/" + nfc, tree.path("mac/" + nfc)}}),
              "stale:" + composed);
    // An exact later candidate beats an equivalent stored path.
    const std::string exact = tree.file("other/menu");
    EXPECT_EQ(resolve(storedAt(tree.path("mac/" + nfd + "/menu")),
                      {{tree.path("mac/" + nfd), tree.path("other")}}),
              "stale:" + exact);
    // Both spellings on disk: the exact bytes win, fresh.
    const std::string decomposed = tree.file("mac/" + nfd + "/menu");
    EXPECT_EQ(resolve(storedAt(decomposed)), decomposed);
    // Other letters stay other; bytes that aren't UTF-8 only match themselves.
    EXPECT_EQ(resolve(storedAt(tree.path("mac/Cafe/menu"))), "broken");
    tree.file("bad/\xFF\xFE");
    EXPECT_EQ(resolve(storedAt(tree.path("bad/\xFF\xFD"))), "broken");
}

TEST_F(ResolutionTest, CraftedNamesAndIdleAutomountPointsAreNeverFollowed) {
    // Each crafted path would reach an existing file if taken literally.
    tree.file("a/b");
    tree.file("b");
    tree.file("a/x/y/b");
    const BookmarkInfo info = storedAt(tree.path("a/b"));
    for (const std::string& bad : std::vector<std::string>{"..", ".", "", "x/y"}) {
        BookmarkInfo crafted = info;
        crafted.pathComponents.insert(crafted.pathComponents.end() - 1, bad);
        EXPECT_EQ(resolve(crafted), "broken") << "component '" << bad << "'";
    }

    const std::string share = tree.file("net/server/share/file");
    mounts = MountTable({{"/", "ext4"}, {tree.path("net"), "autofs"}});
    EXPECT_EQ(resolve(storedAt(share)), "broken");
    EXPECT_EQ(resolve(storedAt(tree.path("net/server/share/fil"
                                         "\xCC\x81"))),
              "broken");
    EXPECT_EQ(resolve(storedAt(tree.path("net"))), tree.path("net"));
    // Once a file system is mounted on it, it is an ordinary folder.
    mounts = MountTable({{"/", "ext4"}, {tree.path("net"), "autofs"}, {tree.path("net"), "nfs4"}});
    EXPECT_EQ(resolve(storedAt(share)), share);
}

TEST_F(ResolutionTest, AnAliasThatDoesNotSayWhereItsTargetIsNeverResolvesNorBecomesTheRoot) {
    // Its components record is no list of names; its volume is "/", which exists.
    auto parsed = bookmark::BookmarkReader::read(aliasBytes(tree.file("docs/plan")));
    parsed->set(1, bookmark::key::pathComponents, bookmark::BookmarkValue::makeString("docs"));
    const Bytes unknown = bookmark::BookmarkWriter::serialise(parsed.value());
    ASSERT_FALSE(infoOf(unknown).pathKnown);
    EXPECT_EQ(resolve(infoOf(unknown)), "broken");
    EXPECT_FALSE(BookmarkResolver::storedPath(infoOf(unknown)));
    EXPECT_FALSE(refresh("/", unknown));
    EXPECT_FALSE(refresh(tree.path("docs/plan"), unknown));
}

TEST_F(ResolutionTest, RefreshTargetFoundInThisMachinesTermsKeepsTheMacPathAndVolume) {
    mappings = {{"/Volumes/Archive", tree.path("archive")}};
    const Bytes mapped =
        withUnknownKey(aliasBytes("/Volumes/Archive/plan", "/Volumes/Archive", "Archive"));
    ReadResult<BookmarkData> fresh = refresh(tree.file("archive/plan"), mapped);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(infoOf(*fresh).targetPath(), "/Volumes/Archive/plan");
    EXPECT_EQ(infoOf(*fresh), infoOf(mapped));
    EXPECT_TRUE(keptUnknownKey(*fresh));

    // At the stored folder, but with the name only in the other normalisation.
    const Bytes decomposed = aliasBytes(tree.path("Cafe\xCC\x81"));
    fresh = refresh(tree.file("Caf\xC3\xA9"), decomposed);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(infoOf(*fresh), infoOf(decomposed));
}

TEST_F(ResolutionTest, RefreshTargetAtItsStoredPathIsDescribedFromTheFileItself) {
    const std::string target = tree.file("docs/plan");
    const Bytes previous = withUnknownKey(aliasBytes(target));
    ReadResult<BookmarkData> fresh = refresh(target, previous);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(keptUnknownKey(*fresh));
    const bookmark::BookmarkInfo info = infoOf(*fresh);
    EXPECT_EQ(info.targetPath(), target);
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    ASSERT_EQ(info.fileIDs.size(), info.pathComponents.size());
    EXPECT_EQ(info.fileIDs.back(), static_cast<std::int64_t>(st.st_ino));
    EXPECT_EQ(info.creationOptions, 1024);
    ASSERT_TRUE(info.resourceProps);
    EXPECT_EQ((*info.resourceProps)[0] & 0xF, 0x1u);         // a regular file
    EXPECT_EQ(info.volumeUUID, infoOf(previous).volumeUUID); // still on the volume "/"

    // Now on another mounted volume: that one, without the old one's UUID.
    mounts = MountTable({{"/", "ext4"}, {tree.root(), "ext4"}});
    const bookmark::BookmarkInfo moved = infoOf(*refresh(target, previous));
    EXPECT_EQ(moved.volumePath, tree.root());
    EXPECT_EQ(moved.volumeURL, "file://" + tree.root() + "/");
    EXPECT_FALSE(moved.volumeUUID);
    // A stored volume whose mount point is only a folder here stays as the Mac described it.
    const Bytes onMacVolume = aliasBytes(target, tree.path("docs"), "docs");
    EXPECT_EQ(infoOf(*refresh(target, onMacVolume)).volumeUUID, infoOf(onMacVolume).volumeUUID);

    // Nothing is made when the data no longer leads to the target.
    EXPECT_FALSE(refresh(tree.file("docs/other"), previous));
    EXPECT_FALSE(refresh(target, aliasBytes(tree.path("docs/gone"))));
}

TEST(MountTableTest, ReadsMountInfoWithEscapesAndOptionalFields) {
    const MountTable table = MountTable::fromMountInfo(
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 8:17 / /media/me/Mac\\040HD rw shared:5 master:2 - hfsplus /dev/sdb1 ro\n"
        "garbage line\n"
        "42 22 8:18 / /media/me/" +
        nfc + " rw - vfat /dev/sdb2 rw");
    ASSERT_EQ(table.mounts().size(), 3u);
    EXPECT_EQ(table.mounts()[1].fsType, "hfsplus");
    EXPECT_EQ(table.mountsNamed("Mac HD"), std::vector<std::string>{"/media/me/Mac HD"});
    EXPECT_EQ(table.mountsNamed(nfd), std::vector<std::string>{"/media/me/" + nfc});
    EXPECT_EQ(table.holding("/media/me/Mac HDx")->path, "/");
    EXPECT_TRUE(MountTable::readSystem().holding("/"));
}

TEST_F(ResolutionTest, EachFolderIsReadOnceForEquivalentNamesUntilItChanges) {
    for (int i = 0; i < 500; ++i) {
        tree.file("big/other " + std::to_string(i));
    }
    const std::string composed = tree.file("big/" + nfc);
    PathLocator locator(mounts);
    for (int i = 0; i < 100; ++i) {
        ASSERT_EQ(locator.anyNormalisation(tree.path("big/" + nfd))->path, composed);
        ASSERT_FALSE(locator.anyNormalisation(tree.path("big/missing " + std::to_string(i))));
    }
    EXPECT_EQ(locator.foldersRead(), 1u);
    // A name added (or removed) later is seen: the folder changed, so it is read again.
    const std::string decomposedMenu = tree.file("big/Menu" + nfd);
    EXPECT_EQ(locator.anyNormalisation(tree.path("big/Menu" + nfc))->path, decomposedMenu);
    ::unlink(decomposedMenu.c_str());
    EXPECT_FALSE(locator.anyNormalisation(tree.path("big/Menu" + nfc)));
    EXPECT_EQ(locator.foldersRead(), 3u);
    // Of several equivalent names the first in byte order wins: A + ring (0x41 ...) before the
    // precomposed letter (0xC3 ...), looked up as the Angstrom sign, a third spelling.
    tree.file("ring/\xC3\x85");
    const std::string first = tree.file("ring/A\xCC\x8A");
    EXPECT_EQ(locator.anyNormalisation(tree.path("ring/\xE2\x84\xAB"))->path, first);
    // Bytes that aren't UTF-8 only find themselves.
    tree.file("ring/\xFF");
    EXPECT_FALSE(locator.anyNormalisation(tree.path("ring/\xFE")));
}

TEST_F(ResolutionTest, ThousandsOfMappingsKeepTheirOrder) {
    std::vector<PathMapping> many;
    for (int i = 0; i < 30000; ++i) {
        many.push_back({"/Volumes/Disk " + std::to_string(i), "/mnt/disk" + std::to_string(i)});
    }
    many.push_back({"/Volumes/" + nfc + "/A", "/two"});
    many.push_back({"/Volumes/" + nfd, "/one-first"});
    many.push_back({"/Volumes/" + nfc + "/A/B", "/three"});
    many.push_back({"/Volumes/" + nfc, "/one-second"});
    many.push_back({"/", "/root"});
    many.push_back({"/Volumes/" + nfc, "relative/is/skipped"});
    many.push_back({"Volumes/" + nfc, "/prefix/not/absolute"});
    many.push_back({"/Volumes/" + nfc + "/A/B/c/d", "/longer/than/the/path"});
    BookmarkResolver resolver(many, mounts);
    std::vector<std::string> places;
    for (const ResolutionCandidate& place :
         resolver.candidates(storedAt("/Volumes/" + nfd + "/A/B/c"))) {
        places.push_back(place.path);
    }
    const std::vector<std::string> expected{
        "/Volumes/" + nfd + "/A/B/c", "/three/c",          "/two/B/c",
        "/one-first/A/B/c",           "/one-second/A/B/c", "/root/Volumes/" + nfd + "/A/B/c"};
    EXPECT_EQ(places, expected);
    EXPECT_EQ(resolver.candidates(storedAt("/Volumes/Disk 29999/x"))[1].path, "/mnt/disk29999/x");
    EXPECT_EQ(resolver.candidates(storedAt("/Volumes/Disk 3")).size(), 3u); // stored, disk3, root
}

} // namespace
} // namespace korvex
