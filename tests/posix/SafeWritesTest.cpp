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
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace korvex {
namespace {

using test::readAll;
using test::TempTree;

const std::vector<std::uint8_t> freshBytes{'f', 'r', 'e', 's', 'h'};

// Fails one chosen call the way a full disk or a refusing file system would.
class FailingCalls : public FileCalls {
public:
    enum class Step { none, write, xattr, fsync, rename } failAt = Step::none;
    ssize_t write(int fd, const void* bytes, std::size_t count) override {
        if (failAt == Step::write) {
            // Half the data lands, then the disk is full.
            FileCalls::write(fd, bytes, count / 2);
            errno = ENOSPC;
            return -1;
        }
        return FileCalls::write(fd, bytes, count);
    }
    int fsetxattr(int fd, const char* name, const void* value, std::size_t size) override {
        if (failAt == Step::xattr && std::strcmp(name, "user.com.apple.FinderInfo") == 0) {
            errno = ENOTSUP;
            return -1;
        }
        return FileCalls::fsetxattr(fd, name, value, size);
    }
    int fsync(int fd) override {
        if (failAt == Step::fsync) {
            errno = EIO;
            return -1;
        }
        return FileCalls::fsync(fd);
    }
    int rename(const char* from, const char* to) override {
        if (failAt == Step::rename) {
            errno = EXDEV;
            return -1;
        }
        return FileCalls::rename(from, to);
    }
};

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    while (const dirent* entry = dir ? ::readdir(dir) : nullptr) {
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) {
            names.emplace_back(entry->d_name);
        }
    }
    if (dir) {
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::string xattr(const std::string& path, const char* name) {
    char value[256];
    const ssize_t size = ::lgetxattr(path.c_str(), name, value, sizeof value);
    return size < 0 ? "<none>" : std::string(value, static_cast<std::size_t>(size));
}

class SafeWritesTest : public ::testing::Test {
protected:
    TempTree tree;
    std::string alias = tree.file("docs/Plan alias", "old bookmark");
    std::string sidecar = tree.file("docs/._Plan alias", "apple double");
    const std::string finderInfo = std::string("alisMACS\x80") + std::string(23, '\0');

    void SetUp() override {
        ASSERT_EQ(::lsetxattr(alias.c_str(), "user.com.apple.FinderInfo", finderInfo.data(),
                              finderInfo.size(), 0),
                  0);
        ASSERT_EQ(::lsetxattr(alias.c_str(), "user.note", "kept", 4, 0), 0);
        ASSERT_EQ(::chmod(alias.c_str(), 0640), 0);
    }
};

TEST_F(SafeWritesTest, RewriteKeepsModeOwnerEveryAttributeAndTheSidecar) {
    struct stat before {};
    ASSERT_EQ(::stat(alias.c_str(), &before), 0);
    ASSERT_TRUE(AliasFileWriter().replace(alias, freshBytes));

    EXPECT_EQ(readAll(alias), "fresh");
    struct stat after {};
    ASSERT_EQ(::stat(alias.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(xattr(alias, "user.com.apple.FinderInfo"), finderInfo);
    EXPECT_EQ(xattr(alias, "user.note"), "kept");
    EXPECT_EQ(readAll(sidecar), "apple double");
    EXPECT_EQ(namesIn(tree.path("docs")), (std::vector<std::string>{"._Plan alias", "Plan alias"}));
}

TEST_F(SafeWritesTest, RewriteThatFailsAtAnyStepLeavesTheAliasAndNoTemporaryFile) {
    using Step = FailingCalls::Step;
    for (Step step : {Step::write, Step::xattr, Step::fsync, Step::rename}) {
        FailingCalls calls;
        calls.failAt = step;
        EXPECT_FALSE(AliasFileWriter(calls).replace(alias, freshBytes))
            << "step " << static_cast<int>(step);
        EXPECT_EQ(readAll(alias), "old bookmark");
        EXPECT_EQ(xattr(alias, "user.com.apple.FinderInfo"), finderInfo);
        EXPECT_EQ(namesIn(tree.path("docs")),
                  (std::vector<std::string>{"._Plan alias", "Plan alias"}));
    }
}

TEST_F(SafeWritesTest, RewriteRefusesLinksAndAnythingButARegularFile) {
    const std::string link = tree.path("docs/link alias");
    ASSERT_EQ(::symlink(alias.c_str(), link.c_str()), 0);
    EXPECT_FALSE(AliasFileWriter().replace(link, freshBytes));
    EXPECT_EQ(readAll(alias), "old bookmark");
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    const std::string pipe = tree.path("docs/pipe alias");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(AliasFileWriter().replace(pipe, freshBytes));
    EXPECT_FALSE(AliasFileWriter().replace(tree.path("docs"), freshBytes));
    EXPECT_FALSE(AliasFileWriter().replace(tree.path("docs/vanished alias"), freshBytes));
}

TEST_F(SafeWritesTest, SidecarTextReplacesRegularFilesOnlyAndNeverFollowsALink) {
    const std::string text = tree.path("docs/Plan alias-korvex-broken.text");
    ASSERT_TRUE(TextFileWriter::write("first, much longer text\n", text));
    ASSERT_TRUE(TextFileWriter::write("Optional([\"k\": \"\xC3\xA9\"])\n", text));
    EXPECT_EQ(readAll(text), "Optional([\"k\": \"\xC3\xA9\"])\n");

    // A link placed where the sidecar goes: the file it points at stays as it was.
    const std::string victim = tree.file("victim", "precious");
    const std::string linked = tree.path("docs/linked-korvex-broken.text");
    ASSERT_EQ(::symlink(victim.c_str(), linked.c_str()), 0);
    EXPECT_FALSE(TextFileWriter::write("text\n", linked));
    EXPECT_EQ(readAll(victim), "precious");
    // A dangling link is not followed to create its target either.
    const std::string dangling = tree.path("docs/dangling-korvex-broken.text");
    ASSERT_EQ(::symlink(tree.path("created-through-link").c_str(), dangling.c_str()), 0);
    EXPECT_FALSE(TextFileWriter::write("text\n", dangling));
    EXPECT_EQ(readAll(tree.path("created-through-link")), "<missing>");

    // A pipe, with or without a reader on the other end, gets nothing and blocks nothing.
    const std::string pipe = tree.path("docs/pipe-korvex-broken.text");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    EXPECT_FALSE(TextFileWriter::write("text\n", pipe));
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    EXPECT_FALSE(TextFileWriter::write("text\n", pipe));
    char byte;
    EXPECT_LE(::read(reader, &byte, 1), 0);
    ::close(reader);

    EXPECT_FALSE(TextFileWriter::write("text\n", "/dev/null"));
    EXPECT_FALSE(TextFileWriter::write("text\n", tree.path("docs")));
    EXPECT_FALSE(TextFileWriter::write("text\n", tree.path("no such folder/x")));
}

TEST_F(SafeWritesTest, ReadsAreBoundedAndNeverBlockOrFollowLinks) {
    EXPECT_EQ(RegularFileReader::read(alias), test::readBytes(alias));
    EXPECT_TRUE(RegularFileReader::read(tree.file("empty", ""))->empty());
    EXPECT_FALSE(RegularFileReader::read(alias, 5)); // 12 bytes over a bound of 5
    EXPECT_TRUE(RegularFileReader::read(alias, 12));

    const std::string link = tree.path("docs/link alias");
    ASSERT_EQ(::symlink(alias.c_str(), link.c_str()), 0);
    EXPECT_FALSE(RegularFileReader::read(link));

    // A pipe named like an alias, with no writer: answered at once, not waited on.
    const std::string pipe = tree.path("docs/pipe alias");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(RegularFileReader::read(pipe));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    EXPECT_FALSE(RegularFileReader::read("/dev/zero"));
    EXPECT_FALSE(RegularFileReader::read(tree.path("docs")));
    EXPECT_FALSE(RegularFileReader::read(tree.path("docs/vanished")));
}

} // namespace
} // namespace korvex
