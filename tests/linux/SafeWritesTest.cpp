// Reads and writes of the user's files: bounded, never through links or into pipes, never
// outside the folder that was opened, and a rewrite that fails at any step leaves the file
// exactly as it was.
#include "AliasScanner.h"
#include "AtomicFile.h"
#include "FileDescriptor.h"
#include "InPlaceRewrite.h"
#include "PosixAliasPlatform.h"
#include "RegularFileReader.h"
#include "StopFlag.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace korvex {
namespace {

using test::readAll;

const test::Bytes fresh{'f', 'r', 'e', 's', 'h'};

// Fails one chosen call the way a full disk or a refusing file system would.
class FailingCalls : public FileCalls {
public:
    enum class Step { write, zeroWrite, xattr, fsync, rename } failAt;
    explicit FailingCalls(Step step) : failAt(step) {}

    ssize_t write(int fd, const void* bytes, std::size_t count) override {
        if (failAt == Step::zeroWrite) {
            return 0; // a write that makes no progress must not loop forever
        }
        if (failAt != Step::write) {
            return FileCalls::write(fd, bytes, count);
        }
        FileCalls::write(fd, bytes, count / 2); // half lands, then the disk is full
        errno = ENOSPC;
        return -1;
    }
    int fsetxattr(int fd, const char* name, const void* value, std::size_t size) override {
        return failAt == Step::xattr ? (errno = ENOTSUP, -1)
                                     : FileCalls::fsetxattr(fd, name, value, size);
    }
    int fsync(int fd) override {
        return failAt == Step::fsync ? (errno = EIO, -1) : FileCalls::fsync(fd);
    }
    int renameat(int fromFolder, const char* from, int toFolder, const char* to) override {
        return failAt == Step::rename ? (errno = EXDEV, -1)
                                      : FileCalls::renameat(fromFolder, from, toFolder, to);
    }
};

// Entries in `folder`: a temporary file left behind shows here.
long entries(const std::string& folder) {
    return std::distance(std::filesystem::directory_iterator(folder), {});
}

std::string xattr(const std::string& path, const char* name) {
    char value[64];
    const ssize_t size = ::lgetxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? "<none>" : std::string(value, static_cast<std::size_t>(size));
}

class SafeWritesTest : public ::testing::Test {
protected:
    test::TempTree tree;
    std::string alias = tree.file("docs/Plan alias", "old bookmark");
    std::string sidecar = tree.file("docs/._Plan alias", "apple double");
    const std::string finderInfo = std::string("alisMACS\x80") + std::string(23, '\0');
    FileDescriptor docs{::open(tree.path("docs").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)};

    void SetUp() override {
        ASSERT_EQ(::setxattr(alias.c_str(), "user.com.apple.FinderInfo", finderInfo.data(), 32, 0),
                  0);
        ASSERT_EQ(::setxattr(alias.c_str(), "user.note", "kept", 4, 0), 0);
        ASSERT_EQ(::chmod(alias.c_str(), 0640), 0);
    }

    // Replaces the alias as a refresh does: the original as it was opened.
    bool replaceAlias(FileCalls& calls, const test::Bytes& bytes) {
        FileDescriptor fd(::openat(docs.get(), "Plan alias", O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
        struct stat st {};
        if (!fd || ::fstat(fd.get(), &st) != 0) {
            return false;
        }
        const AtomicFile::Original original{fd.get(),  st.st_dev, st.st_ino,
                                            st.st_uid, st.st_gid, st.st_mode};
        AtomicFile::Request request;
        request.original = &original;
        return AtomicFile(calls).write(docs.get(), "Plan alias", bytes, request);
    }
};

TEST_F(SafeWritesTest, ReplacementThatFailsAtAnyStepLeavesTheFileAndNoTemporaryFileThenWorks) {
    using Step = FailingCalls::Step;
    for (Step step : {Step::write, Step::zeroWrite, Step::xattr, Step::fsync, Step::rename}) {
        FailingCalls calls(step);
        EXPECT_FALSE(replaceAlias(calls, fresh)) << static_cast<int>(step);
        EXPECT_EQ(readAll(alias), "old bookmark");
        EXPECT_EQ(xattr(alias, "user.com.apple.FinderInfo"), finderInfo);
        EXPECT_EQ(entries(tree.path("docs")), 2);
    }
    // The same replacement that works keeps the mode, every attribute and the sidecar.
    ASSERT_TRUE(replaceAlias(FileCalls::system(), fresh));
    EXPECT_EQ(readAll(alias), "fresh");
    struct stat st {};
    ASSERT_EQ(::stat(alias.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(xattr(alias, "user.com.apple.FinderInfo"), finderInfo);
    EXPECT_EQ(xattr(alias, "user.note"), "kept");
    EXPECT_EQ(readAll(sidecar), "apple double");
    EXPECT_EQ(entries(tree.path("docs")), 2);
}

TEST_F(SafeWritesTest, HardLinkedFileIsRewrittenInPlaceOnlyAsReadAndPutBackOnFailure) {
    const std::string other = tree.path("elsewhere");
    ASSERT_EQ(::link(alias.c_str(), other.c_str()), 0);
    struct stat st {};
    ASSERT_EQ(::stat(alias.c_str(), &st), 0);
    const std::string old = "old bookmark";
    const test::Bytes expected(old.begin(), old.end());
    const test::Bytes longer(40, 'n');
    using Step = FailingCalls::Step;
    for (Step step : {Step::write, Step::zeroWrite, Step::fsync}) {
        FailingCalls calls(step);
        EXPECT_FALSE(InPlaceRewrite(calls).write(docs.get(), "Plan alias", st.st_dev, st.st_ino,
                                                 expected, longer))
            << static_cast<int>(step);
        EXPECT_EQ(readAll(alias), old) << static_cast<int>(step);
    }
    // Not what was read (content, or another file): nothing is written.
    EXPECT_FALSE(InPlaceRewrite().write(docs.get(), "Plan alias", st.st_dev, st.st_ino,
                                        test::Bytes{'x'}, fresh));
    EXPECT_FALSE(InPlaceRewrite().write(docs.get(), "Plan alias", st.st_dev, st.st_ino + 1,
                                        expected, fresh));
    EXPECT_EQ(readAll(alias), old);
    // A shorter content, under both names, the inode and its attributes as they were.
    ASSERT_TRUE(
        InPlaceRewrite().write(docs.get(), "Plan alias", st.st_dev, st.st_ino, expected, fresh));
    EXPECT_EQ(readAll(alias), "fresh");
    EXPECT_EQ(readAll(other), "fresh");
    struct stat now {};
    ASSERT_EQ(::stat(alias.c_str(), &now), 0);
    EXPECT_EQ(now.st_ino, st.st_ino);
    EXPECT_EQ(now.st_nlink, 2u);
    EXPECT_EQ(xattr(alias, "user.note"), "kept");
    EXPECT_EQ(entries(tree.path("docs")), 2);
}

TEST_F(SafeWritesTest, ReadOnlyFileOfItsOwnOwnerIsReplacedWithItsAttributesAndMode) {
    // The mode comes last: set first, 0444 would forbid copying the attributes.
    ASSERT_EQ(::chmod(alias.c_str(), 0444), 0);
    ASSERT_TRUE(replaceAlias(FileCalls::system(), fresh));
    struct stat st {};
    ASSERT_EQ(::stat(alias.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0444u);
    EXPECT_EQ(xattr(alias, "user.note"), "kept");
}

TEST_F(SafeWritesTest, ReplacementRefusesAFileSwappedInAfterItWasRead) {
    FileDescriptor fd(::openat(docs.get(), "Plan alias", O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
    struct stat st {};
    ASSERT_EQ(::fstat(fd.get(), &st), 0);
    const AtomicFile::Original original{fd.get(),  st.st_dev, st.st_ino,
                                        st.st_uid, st.st_gid, st.st_mode};
    // Someone puts another file under the name between the read and the write.
    tree.file("docs/other", "someone else's");
    ASSERT_EQ(::rename(tree.path("docs/other").c_str(), alias.c_str()), 0);
    AtomicFile::Request request;
    request.original = &original;
    EXPECT_FALSE(AtomicFile().write(docs.get(), "Plan alias", fresh, request));
    EXPECT_EQ(readAll(alias), "someone else's");
    EXPECT_EQ(entries(tree.path("docs")), 2);
}

TEST_F(SafeWritesTest, NewFileNeverReplacesWhatAppearedAndNamesStayBare) {
    AtomicFile files;
    const AtomicFile::Request newOnly;
    EXPECT_FALSE(files.write(docs.get(), "Plan alias", fresh, newOnly)); // taken: never replaced
    EXPECT_EQ(readAll(alias), "old bookmark");
    EXPECT_TRUE(files.write(docs.get(), "note.text", fresh, newOnly));
    EXPECT_EQ(readAll(tree.path("docs/note.text")), "fresh");
    for (const char* name : {"../escaped", "a/b", "..", ".", ""}) {
        EXPECT_FALSE(files.write(docs.get(), name, fresh, newOnly)) << name;
    }
    EXPECT_EQ(readAll(tree.path("escaped")), "<missing>");
    EXPECT_EQ(entries(tree.path("docs")), 3);
}

TEST_F(SafeWritesTest, WriteAtPathNeverWritesThroughALinkAndKeepsTheOldContentOnFailure) {
    const std::string victim = tree.file("victim", "precious");
    ASSERT_EQ(::symlink(victim.c_str(), tree.path("docs/to victim").c_str()), 0);
    const std::string text = "saved output\n";
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                              text.size());
    EXPECT_FALSE(AtomicFile().writeAtPath(tree.path("docs/to victim"), bytes));
    EXPECT_EQ(readAll(victim), "precious");
    ASSERT_EQ(::mkfifo(tree.path("docs/pipe").c_str(), 0600), 0);
    EXPECT_FALSE(AtomicFile().writeAtPath(tree.path("docs/pipe"), bytes));

    FailingCalls full(FailingCalls::Step::write);
    EXPECT_FALSE(AtomicFile(full).writeAtPath(alias, bytes));
    EXPECT_EQ(readAll(alias), "old bookmark");
    EXPECT_TRUE(AtomicFile().writeAtPath(alias, bytes));
    EXPECT_EQ(readAll(alias), text);
    EXPECT_EQ(xattr(alias, "user.note"), "kept");
}

TEST_F(SafeWritesTest, ReadsAreBoundedAndNeverBlockOrFollowLinks) {
    EXPECT_EQ(RegularFileReader::read(alias), test::readBytes(alias));
    EXPECT_FALSE(RegularFileReader::read(alias, 11)); // 12 bytes
    EXPECT_TRUE(RegularFileReader::read(alias, 12));
    EXPECT_EQ(RegularFileReader::readAt(docs.get(), "Plan alias"), test::readBytes(alias));
    ASSERT_EQ(::symlink(alias.c_str(), tree.path("docs/link").c_str()), 0);
    EXPECT_FALSE(RegularFileReader::read(tree.path("docs/link")));
    EXPECT_FALSE(RegularFileReader::readAt(docs.get(), "link"));

    ASSERT_EQ(::mkfifo(tree.path("docs/pipe alias").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(RegularFileReader::read(tree.path("docs/pipe alias")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(RegularFileReader::read("/dev/zero"));
    EXPECT_FALSE(RegularFileReader::read(tree.path("docs")));

    // Asked for a beginning, a longer file gives its first bytes and says it was cut.
    const FileDescriptor open(::open(alias.c_str(), O_RDONLY | O_CLOEXEC));
    bool cut = false;
    const auto head = RegularFileReader::readOpen(open.get(), 5, nullptr, nullptr, &cut);
    ASSERT_TRUE(head);
    EXPECT_TRUE(cut);
    const test::Bytes whole = test::readBytes(alias);
    EXPECT_EQ(*head, test::Bytes(whole.begin(), whole.begin() + 5));
    EXPECT_EQ(RegularFileReader::readOpen(open.get(), 12, nullptr, nullptr, &cut), whole);
    EXPECT_FALSE(cut);
}

// Raises the stop as SIGINT's handler does, during the first write of a file: that write goes
// on to its end; the next one must not start.
class StoppingCalls : public FileCalls {
public:
    std::atomic<bool> raised{false};

    ssize_t write(int fd, const void* bytes, std::size_t count) override {
        raised.store(true);
        return FileCalls::write(fd, bytes, count);
    }
};

struct KeptReport : ScanResponder {
    std::shared_ptr<ScanReport> report;
    void scanFinished(std::shared_ptr<ScanReport> r) override { report = std::move(r); }
    void folderNotFound() override {}
};

// The token is never requested here: only the flag the handler raises stops the scan, and no
// thread gets the chance to turn it into a request first.
TEST(StopBeforeWrites, FlagRaisedDuringASidecarOrRefreshLetsNoFurtherWriteStart) {
    struct Case {
        const char* name;
        bool rewrite; // the aliases resolve and are refreshed, each after its sidecar
    };
    for (const Case c : {Case{"mark broken aliases", false}, Case{"mark and refresh", true}}) {
        SCOPED_TRACE(c.name);
        test::TempTree tree;
        tree.file("target.txt");
        std::vector<test::Bytes> before;
        for (int i = 0; i < 6; ++i) {
            before.push_back(test::aliasBytes(c.rewrite ? tree.path("target.txt") : "/nowhere/x"));
            tree.file("aliases/a" + std::to_string(i) + " alias", before.back());
        }
        StoppingCalls calls;
        PosixAliasPlatform platform({}, MountTable::readSystem, calls);
        KeptReport answer;
        AliasScanner(platform).runScan(scanOptionsForFolder(tree.root(), true, c.rewrite),
                                       std::make_shared<ScanReport>(), answer,
                                       StopFlag(std::stop_token(), calls.raised));
        ASSERT_TRUE(answer.report);
        EXPECT_TRUE(answer.report->stopped);
        EXPECT_EQ(answer.report->rewrittenCount, 0);
        int sidecars = 0;
        for (int i = 0; i < 6; ++i) {
            const std::string alias = tree.path("aliases/a" + std::to_string(i) + " alias");
            EXPECT_EQ(test::readBytes(alias), before[i]) << "no refresh after the stop";
            sidecars += std::filesystem::exists(
                alias + (c.rewrite ? "-korvex-rewrite.text" : "-korvex-broken.text"));
        }
        EXPECT_EQ(sidecars, 1) << "the sidecar begun before the stop, nothing after";
        EXPECT_NE(answer.report->reportText.find("Stopped before the end of the folder."),
                  std::string::npos);
    }
}

} // namespace
} // namespace korvex
