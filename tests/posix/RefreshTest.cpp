// Fresh bookmark data for a refresh: the Mac's terms are kept whenever the target was found
// only in this machine's terms; found at its stored path, the file's own facts are recorded.
#include "TempTree.h"
#include "bookmark/BookmarkKeys.h"
#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"
#include "posix/BookmarkRefresher.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace korvex {
namespace {

using bookmark::BookmarkInfo;
using test::aliasBytes;
using test::infoOf;
using test::TempTree;

const std::vector<std::uint8_t> aliasMagic{'b', 'o', 'o', 'k', 0, 0, 0, 0,
                                           'm', 'a', 'r', 'k', 0, 0, 0, 0};

bool hasAliasHeader(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() > 16 && std::equal(aliasMagic.begin(), aliasMagic.end(), bytes.begin());
}

// `bytes` with an entry this project doesn't know about, as later macOS versions may add.
std::vector<std::uint8_t> withUnknownKey(const std::vector<std::uint8_t>& bytes) {
    auto parsed = bookmark::BookmarkReader::read(bytes);
    EXPECT_TRUE(parsed.ok());
    parsed->set(bookmark::tocId::target, 0xF000F, bookmark::BookmarkValue::makeBool(true));
    parsed->set(bookmark::tocId::target, bookmark::BookmarkKey::makeNamed("NSURLFutureKey"),
                bookmark::BookmarkValue::makeString("later"));
    return bookmark::BookmarkWriter::serialise(parsed.value());
}

bool hasUnknownKeys(const std::vector<std::uint8_t>& bytes) {
    auto parsed = bookmark::BookmarkReader::read(bytes);
    return parsed.ok() && parsed->find(bookmark::tocId::target, 0xF000F) &&
           parsed->find(bookmark::tocId::target,
                        bookmark::BookmarkKey::makeNamed("NSURLFutureKey"));
}

class RefreshTest : public ::testing::Test {
protected:
    TempTree tree;
    MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};
    std::vector<PathMapping> mappings;

    std::optional<BookmarkData> refresh(const std::string& target,
                                        const std::vector<std::uint8_t>& previous) {
        BookmarkResolver resolver(mappings, mounts);
        return BookmarkRefresher(resolver, mounts).refresh(fileUrlWithPath(target), previous);
    }
};

TEST_F(RefreshTest, TargetFoundThroughAMappingKeepsTheMacPathAndVolume) {
    const std::string target = tree.file("archive/Projects/plan");
    mappings = {{"/Volumes/Archive", tree.path("archive")}};
    const auto previous =
        withUnknownKey(aliasBytes("/Volumes/Archive/Projects/plan", "/Volumes/Archive", "Archive"));

    std::optional<BookmarkData> fresh = refresh(target, previous);
    ASSERT_TRUE(fresh);
    const BookmarkInfo info = infoOf(*fresh);
    EXPECT_EQ(info.targetPath(), "/Volumes/Archive/Projects/plan");
    EXPECT_EQ(info.volumePath, "/Volumes/Archive");
    EXPECT_EQ(info.volumeName, "Archive");
    EXPECT_EQ(info.volumeUUID, infoOf(previous).volumeUUID);
    EXPECT_EQ(info, infoOf(previous));
    EXPECT_TRUE(hasUnknownKeys(*fresh));
    EXPECT_TRUE(hasAliasHeader(*fresh));
}

TEST_F(RefreshTest, TargetOnASameNameVolumeOrByEquivalentNamesKeepsTheStoredTerms) {
    const std::string stick = tree.folder("media/SANDISK");
    const std::string target = tree.file("media/SANDISK/Caf\xC3\xA9");
    mounts = MountTable(std::vector<MountPoint>{{"/", "ext4"}, {stick, "vfat"}});
    const auto previous =
        aliasBytes("/Volumes/SANDISK/Cafe\xCC\x81", "/Volumes/SANDISK", "SANDISK");
    std::optional<BookmarkData> fresh = refresh(target, previous);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(infoOf(*fresh), infoOf(previous));

    // At the stored folder, but only with the name in the other normalisation.
    const auto decomposed = aliasBytes(tree.path("media/SANDISK/Cafe\xCC\x81"));
    fresh = refresh(target, decomposed);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(infoOf(*fresh).pathComponents, infoOf(decomposed).pathComponents);
}

TEST_F(RefreshTest, TargetAtItsStoredPathIsDescribedFromTheFileItself) {
    const std::string target = tree.file("docs/plan");
    const auto previous = withUnknownKey(aliasBytes(target));
    std::optional<BookmarkData> fresh = refresh(target, previous);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(hasAliasHeader(*fresh));
    EXPECT_TRUE(hasUnknownKeys(*fresh));

    const BookmarkInfo info = infoOf(*fresh);
    EXPECT_EQ(info.targetPath(), target);
    ASSERT_EQ(info.fileIDs.size(), info.pathComponents.size());
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(info.fileIDs.back(), static_cast<std::int64_t>(st.st_ino));
    ASSERT_EQ(::stat(tree.root().c_str(), &st), 0);
    EXPECT_EQ(info.fileIDs[info.fileIDs.size() - 3], static_cast<std::int64_t>(st.st_ino));
    EXPECT_EQ(info.creationOptions, 1024);
    ASSERT_TRUE(info.resourceProps);
    EXPECT_EQ((*info.resourceProps)[0] & 0xF, 0x1u); // a regular file
    // Still on the volume the bookmark names ("/"): its description stays.
    EXPECT_EQ(info.volumePath, "/");
    EXPECT_EQ(info.volumeUUID, infoOf(previous).volumeUUID);
    if (info.creationDate) { // where the file system keeps birth times
        EXPECT_NEAR(*info.creationDate + 978307200.0, static_cast<double>(::time(nullptr)), 600);
    }
}

TEST_F(RefreshTest, TargetNowOnAnotherMountedVolumeGetsThatVolumeWithoutTheOldOnesFacts) {
    const std::string target = tree.file("docs/plan");
    mounts = MountTable(std::vector<MountPoint>{{"/", "ext4"}, {tree.root(), "ext4"}});
    std::optional<BookmarkData> fresh = refresh(target, aliasBytes(target));
    ASSERT_TRUE(fresh);
    const BookmarkInfo info = infoOf(*fresh);
    EXPECT_EQ(info.volumePath, tree.root());
    EXPECT_EQ(info.volumeURL, "file://" + tree.root() + "/");
    EXPECT_FALSE(info.volumeUUID); // the old volume's UUID would name the wrong disk
    EXPECT_TRUE(info.volumeCapacity);
}

TEST_F(RefreshTest, NothingIsMadeWhenTheDataNoLongerLeadsToTheTarget) {
    const std::string target = tree.file("docs/plan");
    const std::string other = tree.file("docs/other");
    EXPECT_FALSE(refresh(other, aliasBytes(target)));
    EXPECT_FALSE(refresh(target, aliasBytes(tree.path("docs/gone"))));
    EXPECT_FALSE(refresh(target, {'b', 'o', 'o', 'k', 0, 0, 0, 0}));
}

} // namespace
} // namespace korvex
