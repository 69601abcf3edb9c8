// Resolution of stored targets on this machine: every candidate, its order and its limits.
#include "TempTree.h"
#include "posix/BookmarkResolver.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

using bookmark::BookmarkInfo;
using test::componentsOf;
using test::TempTree;

const std::string nfdCafe = "Cafe\xCC\x81"; // e + combining acute accent
const std::string nfcCafe = "Caf\xC3\xA9";  // precomposed é

BookmarkInfo storedAt(const std::string& path, const std::string& volumePath = "/",
                      const std::string& volumeName = "Macintosh HD") {
    BookmarkInfo info;
    info.pathComponents = componentsOf(path);
    info.volumePath = volumePath;
    info.volumeName = volumeName;
    return info;
}

class ResolutionTest : public ::testing::Test {
protected:
    TempTree tree;
    MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};

    std::optional<Resolution> resolve(const BookmarkInfo& info,
                                      std::vector<PathMapping> mappings = {}) {
        return BookmarkResolver(std::move(mappings), mounts).resolve(info);
    }
};

TEST_F(ResolutionTest, StoredPathIsFoundFreshAndAnythingMissingIsBroken) {
    const std::string target = tree.file("docs/Plan.txt");
    std::optional<Resolution> found = resolve(storedAt(target));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, target);
    EXPECT_EQ(found->via, FoundVia::storedPath);
    EXPECT_FALSE(found->isStale());
    EXPECT_FALSE(found->target.isDirectory);

    EXPECT_FALSE(resolve(storedAt(tree.path("docs/Gone.txt"))));
    // A dangling symbolic link is still an entry at that path, as on the Mac.
    ASSERT_EQ(::symlink("/nonexistent/korvex", tree.path("docs/link").c_str()), 0);
    EXPECT_TRUE(resolve(storedAt(tree.path("docs/link"))));
}

TEST_F(ResolutionTest, StoredNamesThatCannotBeNamesHereNeverResolve) {
    // Each crafted path below would lead to an existing file if taken literally.
    tree.file("a/b");
    tree.file("b");
    tree.file("a/x/y/b");
    BookmarkInfo info = storedAt(tree.path("a/b"));
    for (const std::string& bad :
         std::vector<std::string>{"..", ".", "", "x/y", std::string("a\0b", 3)}) {
        BookmarkInfo crafted = info;
        crafted.pathComponents.insert(crafted.pathComponents.end() - 1, bad);
        EXPECT_FALSE(resolve(crafted)) << "component '" << bad << "'";
    }
    BookmarkInfo nothing; // no components and no volume
    EXPECT_FALSE(resolve(nothing));
}

TEST_F(ResolutionTest, MappingsTryTheLongestMacPrefixFirstAndMatchWholeComponents) {
    tree.file("short/Projects/plan");
    const std::string inLong = tree.file("long/plan");
    const BookmarkInfo info =
        storedAt("/Volumes/Archive/Projects/plan", "/Volumes/Archive", "Archive");
    // Given shortest first: the longer prefix still wins.
    std::optional<Resolution> found =
        resolve(info, {{"/Volumes/Archive/", tree.path("short")},
                       {"/Volumes/Archive/Projects", tree.path("long/")}});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, inLong);
    EXPECT_EQ(found->via, FoundVia::mapping);
    EXPECT_TRUE(found->isStale());

    // The longer mapping misses: the next one is tried.
    std::remove(inLong.c_str());
    found = resolve(info, {{"/Volumes/Archive/Projects", tree.path("long")},
                           {"/Volumes/Archive", tree.path("short")}});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, tree.path("short/Projects/plan"));

    // "/Volumes/Arch" is no prefix of "/Volumes/Archive/..." in whole components.
    EXPECT_FALSE(resolve(info, {{"/Volumes/Arch", tree.path("short")}}));
    // A mapping of the whole target.
    EXPECT_TRUE(resolve(info, {{"/Volumes/Archive/Projects/plan", tree.path("short/Projects")}}));
}

TEST_F(ResolutionTest, VolumeMountedHereUnderItsNameIsFoundThroughTheMountTable) {
    const std::string stick = tree.folder("media/user/SANDISK");
    const std::string target = tree.file("media/user/SANDISK/untitled/notes");
    mounts = MountTable({{"/", "ext4"}, {tree.path("media/user/OTHER"), "vfat"}, {stick, "vfat"}});
    const BookmarkInfo info =
        storedAt("/Volumes/SANDISK/untitled/notes", "/Volumes/SANDISK", "SANDISK");

    std::optional<Resolution> found = resolve(info);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, target);
    EXPECT_EQ(found->via, FoundVia::sameNameVolume);
    EXPECT_TRUE(found->isStale());

    // The volume root itself (no components) resolves to where the volume is mounted.
    BookmarkInfo root = storedAt("/", "/Volumes/SANDISK", "SANDISK");
    found = resolve(root);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, stick);
    EXPECT_TRUE(found->target.isDirectory);

    // A folder of that name that is not a mount point is no volume.
    mounts = MountTable(std::vector<MountPoint>{{"/", "ext4"}});
    EXPECT_FALSE(resolve(info));
    // A mapping is tried before the volume.
    mounts = MountTable({{"/", "ext4"}, {stick, "vfat"}});
    const std::string mapped = tree.file("mapped/notes");
    found = resolve(info, {{"/Volumes/SANDISK/untitled", tree.path("mapped")}});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, mapped);
}

TEST_F(ResolutionTest, NamesMatchInAnyNormalisationOnlyWhenNoPlaceMatchesExactly) {
    const std::string composed = tree.file("mac/" + nfcCafe + "/menu");
    // Stored decomposed (as a Mac writes it), on disk composed.
    std::optional<Resolution> found = resolve(storedAt(tree.path("mac/" + nfdCafe + "/menu")));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, composed);
    EXPECT_EQ(found->via, FoundVia::storedPath);
    EXPECT_TRUE(found->isStale());

    // Through a mapping whose Mac prefix is typed composed while the stored path is decomposed.
    const BookmarkInfo mappedInfo = storedAt("/Volumes/" + nfdCafe + "/menu");
    found = resolve(mappedInfo, {{"/Volumes/" + nfcCafe, tree.path("mac/" + nfcCafe)}});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, composed);

    // An exact match at a later candidate beats an equivalent one at the stored path.
    const std::string exact = tree.file("other/menu");
    found = resolve(storedAt(tree.path("mac/" + nfdCafe + "/menu")),
                    {{tree.path("mac/" + nfdCafe), tree.path("other")}});
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, exact);

    // Both spellings on disk: the exact bytes win.
    const std::string decomposed = tree.file("mac/" + nfdCafe + "/menu");
    found = resolve(storedAt(decomposed));
    ASSERT_TRUE(found);
    EXPECT_EQ(found->target.path, decomposed);
    EXPECT_FALSE(found->isStale());

    // Different letters stay different; bytes that are not UTF-8 only match themselves.
    EXPECT_FALSE(resolve(storedAt(tree.path("mac/Cafe/menu"))));
    tree.file("bad/\xFF\xFE");
    EXPECT_FALSE(resolve(storedAt(tree.path("bad/\xFF\xFD"))));
}

TEST_F(ResolutionTest, NothingBelowAnIdleAutomountPointIsLookedUp) {
    const std::string target = tree.file("net/server/share/file");
    mounts = MountTable({{"/", "ext4"}, {tree.path("net"), "autofs"}});
    EXPECT_FALSE(resolve(storedAt(target)));
    EXPECT_FALSE(resolve(storedAt(tree.path("net/server/share/fil"))));
    // The automount point itself is looked up without mounting.
    EXPECT_TRUE(resolve(storedAt(tree.path("net"))));
    // Once something is mounted on it, it is an ordinary folder.
    mounts = MountTable({{"/", "ext4"}, {tree.path("net"), "autofs"}, {tree.path("net"), "nfs4"}});
    EXPECT_TRUE(resolve(storedAt(target)));
}

TEST(MountTableTest, ParsesMountInfoWithEscapesAndOptionalFields) {
    const MountTable table = MountTable::fromMountInfo(
        "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
        "40 22 8:17 / /media/me/Mac\\040HD rw shared:5 master:2 - hfsplus /dev/sdb1 ro\n"
        "garbage line\n"
        "41 22 0:50 / /net rw - autofs systemd-1 rw\n"
        "42 22 8:18 / /media/me/x\\134y rw - vfat /dev/sdb2 rw");
    ASSERT_EQ(table.mounts().size(), 4u);
    EXPECT_EQ(table.mounts()[1].path, "/media/me/Mac HD");
    EXPECT_EQ(table.mounts()[1].fsType, "hfsplus");
    EXPECT_EQ(table.mounts()[3].path, "/media/me/x\\y");

    EXPECT_EQ(table.mountsNamed("Mac HD"), std::vector<std::string>{"/media/me/Mac HD"});
    EXPECT_TRUE(table.mountsNamed("Mac").empty());
    EXPECT_EQ(table.holding("/media/me/Mac HD/a")->path, "/media/me/Mac HD");
    EXPECT_EQ(table.holding("/media/me/Mac HDx")->path, "/");
    EXPECT_TRUE(table.lookupWouldMount("/net/host"));
    EXPECT_FALSE(table.lookupWouldMount("/net"));
    EXPECT_FALSE(table.lookupWouldMount("/network"));

    const MountTable named(std::vector<MountPoint>{{"/media/" + nfcCafe, "vfat"}});
    EXPECT_EQ(named.mountsNamed(nfdCafe).size(), 1u);
    EXPECT_TRUE(MountTable::readSystem().holding("/"));
}

} // namespace
} // namespace korvex
