// Fresh data for a refresh: the Mac's terms are kept whenever the target was found only in
// this machine's terms; found at its stored path, the file's own facts are recorded.
#include "TempTree.h"
#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"
#include "posix/BookmarkRefresher.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace korvex {
namespace {

using test::aliasBytes;
using test::Bytes;
using test::infoOf;

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

class RefreshTest : public ::testing::Test {
protected:
    test::TempTree tree;
    MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};
    std::vector<PathMapping> mappings;

    std::optional<BookmarkData> refresh(const std::string& target, const Bytes& previous) {
        BookmarkResolver resolver(mappings, mounts);
        return BookmarkRefresher(resolver, mounts).refresh(fileUrlWithPath(target), previous);
    }
};

TEST_F(RefreshTest, TargetFoundInThisMachinesTermsKeepsTheMacPathAndVolume) {
    mappings = {{"/Volumes/Archive", tree.path("archive")}};
    const Bytes mapped =
        withUnknownKey(aliasBytes("/Volumes/Archive/plan", "/Volumes/Archive", "Archive"));
    std::optional<BookmarkData> fresh = refresh(tree.file("archive/plan"), mapped);
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

TEST_F(RefreshTest, TargetAtItsStoredPathIsDescribedFromTheFileItself) {
    const std::string target = tree.file("docs/plan");
    const Bytes previous = withUnknownKey(aliasBytes(target));
    std::optional<BookmarkData> fresh = refresh(target, previous);
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

} // namespace
} // namespace korvex
