// Reads and writes of the user's files: bounded, never through links or into pipes, and a
// rewrite that fails at any step leaves the alias exactly as it was.
#include "TempTree.h"
#include "posix/AliasFileWriter.h"
#include "posix/RegularFileReader.h"
#include "posix/TextFileWriter.h"

#include <gtest/gtest.h>

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
    enum class Step { write, xattr, fsync, rename } failAt;
    explicit FailingCalls(Step step) : failAt(step) {}

    ssize_t write(int fd, const void* bytes, std::size_t count) override {
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
    int rename(const char* from, const char* to) override {
        return failAt == Step::rename ? (errno = EXDEV, -1) : FileCalls::rename(from, to);
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

    void SetUp() override {
        ASSERT_EQ(::setxattr(alias.c_str(), "user.com.apple.FinderInfo", finderInfo.data(), 32, 0),
                  0);
        ASSERT_EQ(::setxattr(alias.c_str(), "user.note", "kept", 4, 0), 0);
        ASSERT_EQ(::chmod(alias.c_str(), 0640), 0);
    }
};

TEST_F(SafeWritesTest, RewriteThatFailsAtAnyStepLeavesTheAliasAndNoTemporaryFileThenWorks) {
    using Step = FailingCalls::Step;
    for (Step step : {Step::write, Step::xattr, Step::fsync, Step::rename}) {
        FailingCalls calls(step);
        EXPECT_FALSE(AliasFileWriter(calls).replace(alias, fresh)) << static_cast<int>(step);
        EXPECT_EQ(readAll(alias), "old bookmark");
        EXPECT_EQ(xattr(alias, "user.com.apple.FinderInfo"), finderInfo);
        EXPECT_EQ(entries(tree.path("docs")), 2);
    }
    // The same rewrite that works keeps the mode, every attribute and the sidecar.
    ASSERT_TRUE(AliasFileWriter().replace(alias, fresh));
    EXPECT_EQ(readAll(alias), "fresh");
    struct stat st {};
    ASSERT_EQ(::stat(alias.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(xattr(alias, "user.com.apple.FinderInfo"), finderInfo);
    EXPECT_EQ(xattr(alias, "user.note"), "kept");
    EXPECT_EQ(readAll(sidecar), "apple double");
    EXPECT_EQ(entries(tree.path("docs")), 2);
    // Never through a link, never into a pipe or a folder.
    const std::string link = tree.path("docs/link alias");
    ASSERT_EQ(::symlink(alias.c_str(), link.c_str()), 0);
    EXPECT_FALSE(AliasFileWriter().replace(link, {'l', 'i', 'n', 'k'}));
    EXPECT_EQ(readAll(alias), "fresh");
    ASSERT_EQ(::mkfifo(tree.path("docs/pipe").c_str(), 0600), 0);
    EXPECT_FALSE(AliasFileWriter().replace(tree.path("docs/pipe"), fresh));
    EXPECT_FALSE(AliasFileWriter().replace(tree.path("docs"), fresh));
}

TEST_F(SafeWritesTest, SidecarTextGoesIntoRegularFilesOnlyAndNeverThroughALink) {
    const std::string text = alias + "-korvex-broken.text";
    ASSERT_TRUE(TextFileWriter::write("first, much longer text\n", text));
    ASSERT_TRUE(TextFileWriter::write("Optional([\"k\": \"\xC3\xA9\"])\n", text));
    EXPECT_EQ(readAll(text), "Optional([\"k\": \"\xC3\xA9\"])\n");

    const std::string victim = tree.file("victim", "precious");
    ASSERT_EQ(::symlink(victim.c_str(), tree.path("docs/to victim").c_str()), 0);
    EXPECT_FALSE(TextFileWriter::write("text\n", tree.path("docs/to victim")));
    EXPECT_EQ(readAll(victim), "precious");
    ASSERT_EQ(::symlink(tree.path("made").c_str(), tree.path("docs/dangling").c_str()), 0);
    EXPECT_FALSE(TextFileWriter::write("text\n", tree.path("docs/dangling")));
    EXPECT_EQ(readAll(tree.path("made")), "<missing>");

    // A pipe, with or without a reader at the other end, gets nothing and blocks nothing.
    const std::string pipe = tree.path("docs/pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(TextFileWriter::write("text\n", pipe));
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    EXPECT_FALSE(TextFileWriter::write("text\n", pipe));
    char byte;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);
    EXPECT_FALSE(TextFileWriter::write("text\n", "/dev/null"));
}

TEST_F(SafeWritesTest, ReadsAreBoundedAndNeverBlockOrFollowLinks) {
    EXPECT_EQ(RegularFileReader::read(alias), test::readBytes(alias));
    EXPECT_FALSE(RegularFileReader::read(alias, 11)); // 12 bytes
    EXPECT_TRUE(RegularFileReader::read(alias, 12));
    ASSERT_EQ(::symlink(alias.c_str(), tree.path("docs/link").c_str()), 0);
    EXPECT_FALSE(RegularFileReader::read(tree.path("docs/link")));

    ASSERT_EQ(::mkfifo(tree.path("docs/pipe alias").c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(RegularFileReader::read(tree.path("docs/pipe alias")));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_FALSE(RegularFileReader::read("/dev/zero"));
    EXPECT_FALSE(RegularFileReader::read(tree.path("docs")));
}

} // namespace
} // namespace korvex
