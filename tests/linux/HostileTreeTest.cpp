// Scans of trees that people other than the one running the scan control: folders swapped for
// links mid-scan, hard links and aliases where sidecars go, trees deeper than PATH_MAX or than
// the descriptor limit, full disks, and what a crash mid-write leaves behind.
#include "AliasScanner.h"
#include "PosixAliasPlatform.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace korvex {
namespace {

using test::aliasBytes;
using test::Bytes;
using test::readAll;
using test::readBytes;

class HostileTreeTest : public ::testing::Test, public ScanResponder {
protected:
    test::TempTree tree;
    test::TempTree outside; // a folder the scan must never write into
    MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};
    std::shared_ptr<ScanReport> report;

    void scanFinished(std::shared_ptr<ScanReport> finished) override { report = finished; }
    void folderNotFound() override { report.reset(); }

    std::string alias(const std::string& relative, const Bytes& bytes) {
        const std::string path = tree.file(relative, bytes);
        EXPECT_TRUE(tree.xattr(relative, "user.com.apple.FinderInfo", test::finderInfoBytes(true)));
        return path;
    }
    ScanReport& scan(AliasPlatform& platform, bool mark, bool rewrite) {
        report.reset();
        AliasScanner(platform).runScan(scanOptionsForFolder(tree.root(), mark, rewrite),
                                       std::make_shared<ScanReport>(), *this);
        EXPECT_TRUE(report);
        static ScanReport none;
        return report ? *report : none;
    }
    // Every file below `folder` with its content: what must stay as it was.
    static std::map<std::string, std::string> contents(const std::string& folder) {
        std::map<std::string, std::string> all;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
            all[entry.path()] = entry.is_regular_file() ? readAll(entry.path()) : "<folder>";
        }
        return all;
    }
};

// Swaps the folder "sub" for a link to the outside folder right after the alias in it was
// read: everything the scan does afterwards by path would land outside.
class SwappingPlatform : public PosixAliasPlatform {
public:
    SwappingPlatform(MountTable mounts, std::string sub, std::string outside)
        : PosixAliasPlatform({}, [mounts] { return mounts; }), sub_(std::move(sub)),
          outside_(std::move(outside)) {}
    ReadResult<BookmarkData> readBookmarkData(const FileUrl& item) override {
        ReadResult<BookmarkData> data = PosixAliasPlatform::readBookmarkData(item);
        if (item.path.starts_with(sub_ + "/") && !swapped) {
            swapped = ::rename(sub_.c_str(), (sub_ + ".moved").c_str()) == 0 &&
                      ::symlink(outside_.c_str(), sub_.c_str()) == 0;
        }
        return data;
    }
    bool swapped = false;

private:
    std::string sub_, outside_;
};

TEST_F(HostileTreeTest, FolderSwappedForALinkMidScanChangesNothingOutsideTheTree) {
    const std::string target = tree.file("targets/plan");
    for (bool brokenAlias : {false, true}) {
        alias("sub/secret.txt", aliasBytes(brokenAlias ? tree.path("targets/gone") : target));
        outside.file("secret.txt", "root's secret");
        outside.file("secret.txt-korvex-broken.text", "kept");
        const auto before = contents(outside.root());

        SwappingPlatform platform(mounts, tree.path("sub"), outside.root());
        ScanReport& found = scan(platform, true, true);
        ASSERT_TRUE(platform.swapped);
        EXPECT_EQ(contents(outside.root()), before);
        // The work was done where the alias was read: in the folder now called sub.moved.
        EXPECT_EQ(found.brokenCount, brokenAlias ? 1 : 0);
        EXPECT_EQ(found.rewrittenCount, brokenAlias ? 0 : 1) << found.reportText;
        EXPECT_TRUE(std::filesystem::exists(
            tree.path(brokenAlias ? "sub.moved/secret.txt-korvex-broken.text"
                                  : "sub.moved/secret.txt-korvex-rewrite.text")));
        std::filesystem::remove(tree.path("sub"));
        std::filesystem::remove_all(tree.path("sub.moved"));
    }
}

TEST_F(HostileTreeTest, SidecarsNeverGoIntoHardLinksOrOverAliases) {
    const std::string victim = outside.file("victim", "precious");
    alias("a", aliasBytes(tree.path("gone a")));
    ASSERT_EQ(::link(victim.c_str(), tree.path("a-korvex-broken.text").c_str()), 0);
    // A working alias that happens to carry the name a sidecar would take.
    alias("b", aliasBytes(tree.path("gone b")));
    const std::string working = alias("b-korvex-broken.text", aliasBytes(tree.file("there")));
    const Bytes workingBytes = readBytes(working);

    PosixAliasPlatform platform({}, [this] { return mounts; });
    ScanReport& found = scan(platform, true, false);
    EXPECT_EQ(readAll(victim), "precious");
    EXPECT_EQ(readBytes(working), workingBytes);
    EXPECT_EQ(found.problemCount, 2);
    // Each line says what was in the way.
    EXPECT_NE(found.reportText.find("Couldn't write " + tree.path("a-korvex-broken.text") +
                                    ": its name is taken by something other than a plain file\n"),
              std::string::npos)
        << found.reportText;
    EXPECT_NE(found.reportText.find("Couldn't write " + tree.path("b-korvex-broken.text") +
                                    ": its name is taken by a Finder alias\n"),
              std::string::npos)
        << found.reportText;
}

// Fails every write the way a full disk does.
class FullDisk : public FileCalls {
public:
    ssize_t write(int, const void*, std::size_t) override {
        errno = ENOSPC;
        return -1;
    }
};

TEST_F(HostileTreeTest, FullDiskKeepsOldSidecarsAndLeavesNoEmptyOnes) {
    alias("old", aliasBytes(tree.path("gone old")));
    alias("new", aliasBytes(tree.path("gone new")));
    tree.file("old-korvex-broken.text", "the record of an earlier scan\n");
    FullDisk full;
    PosixAliasPlatform platform(
        {}, [this] { return mounts; }, full);
    ScanReport& found = scan(platform, true, false);
    EXPECT_EQ(found.problemCount, 2);
    // The disk's reason reaches the report, past the cleanup of the temporary file.
    for (const char* sidecar : {"old-korvex-broken.text", "new-korvex-broken.text"}) {
        EXPECT_NE(found.reportText.find("Couldn't write " + tree.path(sidecar) + ": " +
                                        std::strerror(ENOSPC) + "\n"),
                  std::string::npos)
            << found.reportText;
    }
    EXPECT_EQ(readAll(tree.path("old-korvex-broken.text")), "the record of an earlier scan\n");
    EXPECT_FALSE(std::filesystem::exists(tree.path("new-korvex-broken.text")));
    for (const auto& entry : std::filesystem::directory_iterator(tree.root())) {
        EXPECT_FALSE(entry.path().filename().string().starts_with(".korvex-")) << entry.path();
    }
}

TEST_F(HostileTreeTest, LeftoversOfACrashedWriteAreNeverAliases) {
    // What kill -9 between the link and the rename of a refresh leaves: a complete alias file
    // with its FinderInfo, under a temporary name (this version's and an earlier one's).
    alias("real", aliasBytes(tree.path("gone")));
    alias(".korvex-tmp-0123456789abcdef", aliasBytes(tree.path("gone")));
    alias(".korvex-refresh-Ab12Cd", aliasBytes(tree.path("gone")));
    PosixAliasPlatform platform({}, [this] { return mounts; });
    ScanReport& found = scan(platform, false, false);
    EXPECT_EQ(found.aliasCount, 1);
    EXPECT_EQ(found.brokenPaths, std::vector<std::string>{tree.path("real")});
}

TEST_F(HostileTreeTest, BrokenAliasDeeperThanPathMaxIsReportedWhole) {
    std::string relative;
    while (relative.size() < PATH_MAX + 500) {
        relative += std::string(200, 'd') + "/";
    }
    // Made step by step through descriptors: the whole path is too long for the kernel.
    FileDescriptor at(::open(tree.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (std::size_t level = 0; level < relative.size() / 201; ++level) {
        ASSERT_EQ(::mkdirat(at.get(), std::string(200, 'd').c_str(), 0755), 0);
        at = FileDescriptor(
            ::openat(at.get(), std::string(200, 'd').c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    const Bytes bytes = aliasBytes(tree.path("gone"));
    FileDescriptor file(::openat(at.get(), "deep alias", O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(::write(file.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    PosixAliasPlatform platform({}, [this] { return mounts; });
    ScanReport& found = scan(platform, true, false);
    EXPECT_EQ(found.brokenPaths, std::vector<std::string>{tree.path(relative + "deep alias")});
    EXPECT_EQ(found.problemCount, 0) << found.reportText.substr(0, 300);
    EXPECT_EQ(::faccessat(at.get(), "deep alias-korvex-broken.text", F_OK, 0), 0);
    std::error_code ignored;
    std::filesystem::remove_all(tree.path(std::string(200, 'd')), ignored);
}

TEST_F(HostileTreeTest, TreeDeeperThanTheDescriptorLimitIsWalkedToTheBottom) {
    // 1,100 levels with at most 1,024 descriptors, in a process of its own.
    FileDescriptor at(::open(tree.root().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::string relative;
    for (int level = 0; level < 1100; ++level) {
        ASSERT_EQ(::mkdirat(at.get(), "d", 0755), 0);
        at = FileDescriptor(::openat(at.get(), "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        relative += "d/";
        if (level % 100 == 0) { // a side folder now and then: the walk comes back up past it
            ASSERT_EQ(::mkdirat(at.get(), "e", 0755), 0);
        }
    }
    const Bytes bytes = aliasBytes(tree.path("gone"));
    FileDescriptor file(::openat(at.get(), "bottom alias", O_WRONLY | O_CREAT, 0644));
    ASSERT_EQ(::write(file.get(), bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    at = FileDescriptor();
    file = FileDescriptor();

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const struct rlimit limit { 1024, 1024 };
        ::setrlimit(RLIMIT_NOFILE, &limit);
        PosixAliasPlatform platform({}, [this] { return mounts; });
        ScanReport& found = scan(platform, false, false);
        const bool ok =
            found.problemCount == 0 && found.aliasCount == 1 &&
            found.brokenPaths == std::vector<std::string>{tree.path(relative + "bottom alias")};
        ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(HostileTreeTest, FoldersThatCantBeReadAreReportedNotSkipped) {
    alias("open/a", aliasBytes(tree.path("gone")));
    tree.folder("closed/inside");
    ::chmod(tree.root().c_str(), 0755);
    ::chmod(tree.path("open").c_str(), 0755);
    ::chmod(tree.path("closed").c_str(), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            ::_exit(3);
        }
        PosixAliasPlatform platform({}, [this] { return mounts; });
        ScanReport& found = scan(platform, false, false);
        // With the system's reason, as every other refusal.
        const std::string line =
            "Couldn't read " + tree.path("closed") + ": " + std::strerror(EACCES) + "\n";
        ::_exit(found.problemCount == 1 && found.reportText.find(line) != std::string::npos &&
                        found.brokenCount == 1
                    ? 0
                    : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(tree.path("closed").c_str(), 0755);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
        GTEST_SKIP() << "cannot become an ordinary user to make a folder unreadable";
    }
    EXPECT_EQ(status, 0);
}

} // namespace
} // namespace korvex
