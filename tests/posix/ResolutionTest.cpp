// Where a stored target is looked for on this machine, in which order, and where never.
#include "TempTree.h"
#include "posix/BookmarkResolver.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace korvex {
namespace {

using bookmark::BookmarkInfo;
using test::TempTree;

const std::string nfd = "Cafe\xCC\x81"; // e + combining acute, as a Mac stores names
const std::string nfc = "Caf\xC3\xA9";  // precomposed, as Linux programs write them

BookmarkInfo storedAt(const std::string& path, const std::string& volumePath = "/",
                      const std::string& volumeName = "Macintosh HD") {
    return test::infoOf(test::aliasBytes(path, volumePath, volumeName));
}

class ResolutionTest : public ::testing::Test {
protected:
    TempTree tree;
    MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};

    // The path found, "stale:" in front when not at the stored path, or "broken".
    std::string resolve(const BookmarkInfo& info, std::vector<PathMapping> mappings = {}) {
        std::optional<Resolution> found =
            BookmarkResolver(std::move(mappings), mounts).resolve(info);
        return !found ? "broken" : (found->isStale() ? "stale:" : "") + found->target.path;
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
    std::vector<PathMapping> mappings{{"/Volumes/Archive/", tree.path("short")},
                                      {"/Volumes/Archive/Projects", tree.path("long/")}};
    EXPECT_EQ(resolve(info, mappings), "stale:" + inLong);
    ::unlink(inLong.c_str());
    EXPECT_EQ(resolve(info, mappings), "stale:" + inShort);
    // Prefixes match whole components only.
    EXPECT_EQ(resolve(info, {{"/Volumes/Arch", tree.path("short")}}), "broken");

    // A volume mounted here under the stored volume's name; mappings still come first.
    const std::string stick = tree.path("media/Archive");
    const std::string onStick = tree.file("media/Archive/Projects/plan");
    mounts = MountTable({{"/", "ext4"}, {tree.path("media/Other"), "vfat"}, {stick, "vfat"}});
    EXPECT_EQ(resolve(info), "stale:" + onStick);
    EXPECT_EQ(resolve(info, mappings), "stale:" + inShort);
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

} // namespace
} // namespace korvex
