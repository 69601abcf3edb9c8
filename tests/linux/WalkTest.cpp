// The walk: order, completeness, what it never enters, the folders it cannot open, and the
// look-ahead thread answering exactly as the recognizer does.

#include "AliasRecognizer.h"
#include "MountPoints.h"
#include "PosixFolderWalk.h"
#include "SystemXattrSource.h"
#include "TempTree.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvex {
namespace {

// Relative paths in walk order; a folder that could not be read is followed by " (unreadable)".
std::vector<std::string> walkAll(PosixFolderWalk& walk) {
    std::vector<std::string> paths;
    for (WalkEntry entry; walk.next(entry);) {
        paths.emplace_back(entry.relativePath);
        if (entry.unreadableFolder) {
            paths.back() += " (unreadable)";
        }
    }
    return paths;
}

class Walk : public ::testing::TestWithParam<bool> {
protected:
    bool lookAhead() const { return GetParam(); }
    std::unique_ptr<PosixFolderWalk> open(const std::string& path) const {
        return PosixFolderWalk::open(path, recognizer_, nullptr, lookAhead());
    }

    test::TempTree tree_;
    AliasRecognizer recognizer_;
};

TEST_P(Walk, YieldsEveryEntryOnceDepthFirstInByteOrder) {
    tree_.file("b/inner/deepest/file", "x");
    tree_.file("b/B", "x");
    tree_.folder("a");
    tree_.file("a\xc3\xa9", "x"); // bytes above 0x7f sort after ASCII
    tree_.file("A", "x");
    tree_.file("b-", "x");
    tree_.folder("empty");

    auto walk = open(tree_.root());
    ASSERT_TRUE(walk);
    const std::vector<std::string> expected{
        "A",  "a",    "a\xc3\xa9", "b", "b/B", "b/inner", "b/inner/deepest", "b/inner/deepest/file",
        "b-", "empty"};
    EXPECT_EQ(walkAll(*walk), expected);

    WalkEntry entry;
    EXPECT_FALSE(walk->next(entry)); // and stays over
}

TEST_P(Walk, GivesFolderNamesAndTypesAndNeverFollowsLinksIntoFolders) {
    tree_.folder("sub/inner");
    tree_.file("sub/alias", test::aliasDataFork());
    ASSERT_EQ(::symlink("..", tree_.path("sub/inner/up").c_str()), 0); // a cycle if followed
    ASSERT_EQ(::symlink("/", tree_.path("root").c_str()), 0);

    auto walk = open(tree_.root() + "/"); // a trailing slash changes nothing
    ASSERT_TRUE(walk);
    std::map<std::string, std::optional<std::string_view>> seen;
    WalkEntry entry;
    while (walk->next(entry)) {
        const std::string relative(entry.relativePath);
        EXPECT_TRUE(relative.ends_with(entry.name)) << relative;
        EXPECT_TRUE(entry.typeKnown);
        struct stat byDescriptor {};
        struct stat byPath {};
        EXPECT_EQ(::fstatat(entry.folderFd, std::string(entry.name).c_str(), &byDescriptor,
                            AT_SYMLINK_NOFOLLOW),
                  0);
        EXPECT_EQ(::lstat(tree_.path(relative).c_str(), &byPath), 0);
        EXPECT_EQ(byDescriptor.st_ino, byPath.st_ino) << relative;
        seen[relative] = entry.type ? std::optional(*entry.type) : std::nullopt;
    }
    const std::map<std::string, std::optional<std::string_view>> expected{
        {"root", TypeIds::symlink},
        {"sub", TypeIds::folder},
        {"sub/alias", TypeIds::alias},
        {"sub/inner", TypeIds::folder},
        {"sub/inner/up", TypeIds::symlink}};
    EXPECT_EQ(seen, expected);
}

TEST_P(Walk, NoWalkForWhatIsNotAFolder) {
    tree_.file("file", "x");
    ASSERT_EQ(::symlink("missing", tree_.path("dangling").c_str()), 0);
    EXPECT_FALSE(open(tree_.path("missing")));
    EXPECT_FALSE(open(tree_.path("file")));
    EXPECT_FALSE(open(tree_.path("dangling")));
    EXPECT_FALSE(open(""));

    tree_.folder("empty");
    auto empty = open(tree_.path("empty"));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(walkAll(*empty).empty());
    auto proc = open("/proc"); // the kernel's: walked as empty, never entered
    EXPECT_TRUE(!proc || walkAll(*proc).empty());
}

TEST_P(Walk, LookAheadAnswersLikeTheRecognizer) {
    // Many folders and files of every kind, more than the look-ahead holds at once.
    for (int f = 0; f < 40; ++f) {
        const std::string folder = "folder " + std::to_string(f);
        for (int i = 0; i < 60; ++i) {
            const std::string name = folder + "/item " + std::to_string(i);
            if (i % 6 == 0) {
                tree_.file(name, test::aliasDataFork(100 + 4 * (i % 5)));
            } else if (i % 6 == 1) {
                tree_.file(name);
                tree_.file(folder + "/._item " + std::to_string(i), test::macSidecar(f % 2));
            } else if (i % 6 == 2) {
                ASSERT_EQ(::symlink("item 0", tree_.path(name).c_str()), 0);
            } else if (i % 6 == 3) {
                tree_.folder(name);
            } else {
                tree_.file(name, std::string(static_cast<std::size_t>(i * 4), 'b'));
            }
        }
    }
    // FinderInfo in attributes too, where the file system keeps them.
    for (int f = 0; f < 40; f += 4) {
        const std::string name = "folder " + std::to_string(f) + "/attributed";
        tree_.file(name);
        tree_.xattr(name, "user.com.apple.FinderInfo", test::finderInfoBytes(true));
    }
    // Attribute calls by descriptor (newer kernels) and by path from a working folder (older).
    for (const bool byDescriptor : {true, false}) {
        const AliasRecognizer recognizer(std::make_shared<SystemXattrSource>(byDescriptor));
        auto walk = PosixFolderWalk::open(tree_.root(), recognizer, nullptr, lookAhead());
        ASSERT_TRUE(walk);
        WalkEntry entry;
        std::size_t entries = 0;
        std::size_t aliases = 0;
        while (walk->next(entry)) {
            ++entries;
            const std::string path = tree_.path(std::string(entry.relativePath));
            EXPECT_EQ(entry.type, recognizer_.typeIdentifier(path)) << path << byDescriptor;
            aliases += entry.type == TypeIds::alias;
        }
        EXPECT_EQ(entries, 40u + 40u * 70u + 10u); // folders, items, sidecars, attributed
        EXPECT_GE(aliases, 40u * 10u + 20u * 10u);
    }
}

TEST_P(Walk, EntryThatVanishesBeforeItsTurnIsDroppedNotFatal) {
    for (int i = 0; i < 200; ++i) {
        tree_.file("file " + std::to_string(1000 + i), "x");
    }
    auto walk = open(tree_.root());
    ASSERT_TRUE(walk);
    WalkEntry entry;
    ASSERT_TRUE(walk->next(entry));
    // Removed after the folder was listed, perhaps before or after the look-ahead saw it.
    ASSERT_EQ(::unlink(tree_.path("file 1199").c_str()), 0);
    std::size_t count = 1;
    ReadResult<std::string_view> last;
    while (walk->next(entry)) {
        ++count;
        last = entry.type;
    }
    EXPECT_EQ(count, 200u);
    if (lookAhead()) {
        EXPECT_TRUE(!last || *last == TypeIds::data);
    } else {
        EXPECT_EQ(last, ReadFailure::gone()); // examined after it went: the lookup fails
    }
}

TEST_P(Walk, StoppingMidWalkShutsTheLookAheadDown) {
    for (int i = 0; i < 1500; ++i) {
        tree_.file("f" + std::to_string(i), "x");
    }
    for (int round = 0; round < 20; ++round) {
        auto walk = open(tree_.root());
        ASSERT_TRUE(walk);
        WalkEntry entry;
        for (int i = 0; i < round * 7; ++i) {
            ASSERT_TRUE(walk->next(entry));
        }
    } // destroyed with the look-ahead busy or waiting; must neither hang nor leak
}

TEST_P(Walk, UnreadableFolderIsYieldedMarkedAndNotEntered) {
    tree_.folder("open/inside");
    tree_.folder("closed/hidden");
    ::chmod(tree_.root().c_str(), 0755);
    ::chmod(tree_.path("open").c_str(), 0755);
    ::chmod(tree_.path("closed").c_str(), 0);
    // Root reads every folder, so the walk runs as an ordinary user in a child process.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        auto walk = open(tree_.root());
        const std::vector<std::string> expected{"closed (unreadable)", "open", "open/inside"};
        const bool walked = walk && walkAll(*walk) == expected;
        walk.reset(); // its look-ahead threads end before the process does
        ::_exit(walked ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
        GTEST_SKIP() << "cannot become an ordinary user to make a folder unreadable";
    }
    EXPECT_EQ(status, 0) << "the walk entered the closed folder or missed an entry";
}

// An unpacked Mac archive keeps its AppleDouble files in `__MACOSX` at its top: a walk that
// starts below the top finds them there just as one that starts at the top, however it was
// given the folder, and never through a link.
TEST_P(Walk, FindsTheSidecarsOfAnArchiveAboveTheWalkedFolder) {
    tree_.file("arch/sub/x", "data");
    tree_.file("arch/__MACOSX/sub/._x", test::macSidecar(true));
    tree_.file("arch/sub/deeper/y", "data");
    tree_.file("arch/__MACOSX/sub/deeper/._y", test::macSidecar(true));
    tree_.file("arch/sub/deeper/z", "data"); // no sidecar anywhere
    tree_.file("arch/sub/plain", "data");
    tree_.file("arch/__MACOSX/sub/._plain", test::macSidecar(false));
    ASSERT_EQ(::symlink("arch", tree_.path("via link").c_str()), 0);
    // Its `__MACOSX` a link to the archive's: not this folder's metadata.
    tree_.file("linked/sub/x", "data");
    ASSERT_EQ(::symlink("../arch/__MACOSX", tree_.path("linked/__MACOSX").c_str()), 0);

    // The types of the entries below `folder`, by their paths relative to `below`.
    auto types = [&](const std::string& folder, const std::string& below = "") {
        std::map<std::string, std::optional<std::string_view>> found;
        auto walk = open(tree_.path(folder));
        EXPECT_TRUE(walk) << folder;
        for (WalkEntry entry; walk && walk->next(entry);) {
            const std::string relative(entry.relativePath);
            if (relative.starts_with(below)) {
                found[relative.substr(below.size())] =
                    entry.type ? std::optional<std::string_view>(*entry.type) : std::nullopt;
            }
        }
        return found;
    };
    const std::map<std::string, std::optional<std::string_view>> expected{
        {"deeper", TypeIds::folder},
        {"deeper/y", TypeIds::alias},
        {"deeper/z", TypeIds::data},
        {"plain", TypeIds::data},
        {"x", TypeIds::alias}};
    EXPECT_EQ(types("arch", "sub/"), expected);
    EXPECT_EQ(types("arch/sub"), expected);
    EXPECT_EQ(types("arch/sub/"), expected);
    EXPECT_EQ(types("via link/sub"), expected);
    EXPECT_EQ(types("arch/sub/../sub"), expected);
    EXPECT_EQ(types("arch/sub/deeper")["y"], TypeIds::alias);
    EXPECT_EQ(types("linked/sub")["x"], TypeIds::data);
    // And the recognizer asked by path, outside any walk.
    EXPECT_EQ(recognizer_.typeIdentifier(tree_.path("via link/sub/deeper/y")), TypeIds::alias);
    EXPECT_EQ(recognizer_.typeIdentifier(tree_.path("linked/sub/x")), TypeIds::data);
}

TEST(WalkMounts, MountPointsBelowTheFolderOnlyUnescaped) {
    const char* table = "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
                        "30 27 8:1 / /data rw - ext4 /dev/sda1 rw\n"
                        "31 30 8:2 / /data/Mac\\040Disk rw - hfsplus /dev/sdb2 rw\n"
                        "32 30 0:40 / /data/sub/auto rw - autofs auto rw\n"
                        "33 27 8:3 / /database rw - ext4 /dev/sda3 rw";
    const MountPoints below = MountPoints::parse(table, "/data");
    EXPECT_TRUE(below.contains("Mac Disk"));
    EXPECT_TRUE(below.contains("sub/auto"));
    EXPECT_FALSE(below.contains("sub"));
    EXPECT_FALSE(below.contains("")); // the folder itself
    EXPECT_FALSE(below.contains("../database"));
    EXPECT_TRUE(MountPoints::parse(table, "/").contains("proc"));
    EXPECT_TRUE(MountPoints::parse(table, "/data/Mac Disk").empty());
}

INSTANTIATE_TEST_SUITE_P(, Walk, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "LookAhead" : "Sequential"; });

} // namespace
} // namespace korvex
