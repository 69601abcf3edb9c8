// The Linux platform under the real scan engine, on temporary folders.
#include "AliasScanner.h"
#include "BookmarkReader.h"
#include "BookmarkWriter.h"
#include "PosixAliasPlatform.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace korvex {
namespace {

using test::aliasBytes;
using test::Bytes;
using test::readBytes;

class PlatformTest : public ::testing::Test, public ScanResponder {
protected:
    test::TempTree tree;
    MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};
    std::shared_ptr<ScanReport> report;
    bool notFound = false;

    void scanFinished(std::shared_ptr<ScanReport> finished) override { report = finished; }
    void folderNotFound() override { notFound = true; }

    std::unique_ptr<PosixAliasPlatform> platform(std::vector<PathMapping> mappings = {}) {
        return std::make_unique<PosixAliasPlatform>(std::move(mappings), [this] { return mounts; });
    }
    // An alias file with its FinderInfo in an extended attribute.
    std::string alias(const std::string& relative, const Bytes& bytes) {
        const std::string path = tree.file(relative, bytes);
        EXPECT_TRUE(tree.xattr(relative, "user.com.apple.FinderInfo", test::finderInfoBytes(true)));
        return path;
    }
    ScanReport& scan(AliasPlatform& on, const std::string& folder, bool rewrite = false) {
        report.reset();
        AliasScanner(on).runScan(scanOptionsForFolder(folder, false, rewrite),
                                 std::make_shared<ScanReport>(), *this);
        static ScanReport none;
        return report ? *report : none;
    }
};

TEST_F(PlatformTest, ScanCountsAliasesAndListsOnlyThoseThatResolveNowhere) {
    alias("here alias", aliasBytes(tree.file("files/plan")));
    alias("sub/mapped alias", aliasBytes("/Volumes/Archive/plan", "/Volumes/Archive", "Archive"));
    const std::string broken = alias("sub/gone alias", aliasBytes(tree.path("files/gone")));
    const std::string unreadable =
        alias("unreadable alias", {'b', 'o', 'o', 'k', 'm', 'a', 'r', 'k'});
    tree.file("plain.txt", "book");

    auto mapped = platform({{"/Volumes/Archive", tree.path("files")}});
    ScanReport& found = scan(*mapped, tree.root());
    // The alias whose data can't be read leads nowhere: it is broken too.
    EXPECT_EQ(found.aliasCount, 4);
    EXPECT_EQ(found.brokenPaths, (std::vector<std::string>{broken, unreadable}));
    EXPECT_EQ(scan(*platform(), tree.root()).brokenCount, 3); // without the mapping

    scan(*mapped, tree.path("missing"));
    EXPECT_TRUE(notFound);
}

TEST_F(PlatformTest, RealMacAliasesResolveOnAVolumeMountedHereUnderItsName) {
    const std::string samples = KORVEX_SAMPLES_DIR;
    const Bytes removable = readBytes(samples + "/perlmacalias-removable.alias");
    const Bytes downloads = readBytes(samples + "/cocoa-downloads-wav.alias");
    if (removable.size() < 16 || downloads.size() < 16) {
        GTEST_SKIP() << "no sample alias files in " << samples;
    }
    // Copied without FinderInfo, as git and most copies leave them: known by their content.
    tree.file("stick alias", removable);
    tree.file("downloads alias", downloads);
    tree.file("media/me/SANDISK/untitled", "on the stick");
    mounts = MountTable({{"/", "ext4"}, {tree.path("media/me/SANDISK"), "exfat"}});

    struct stat before {};
    ASSERT_EQ(::stat(tree.path("stick alias").c_str(), &before), 0);
    ScanReport& found = scan(*platform(), tree.root(), true);
    EXPECT_EQ(found.aliasCount, 2);
    EXPECT_EQ(found.brokenPaths, std::vector<std::string>{tree.path("downloads alias")});
    // Refreshed in the Mac's terms, macOS's own bytes would come back unchanged: nothing is
    // written, nothing is counted.
    EXPECT_EQ(found.rewrittenCount, 0);
    EXPECT_EQ(readBytes(tree.path("stick alias")), removable);
    struct stat after {};
    ASSERT_EQ(::stat(tree.path("stick alias").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
}

TEST_F(PlatformTest, OddEntriesAndOddDataFailAtOnceAndWritesKeepTheAliasFileForm) {
    auto posix = platform();
    const std::string vanished = alias("vanished alias", aliasBytes(tree.path("x")));
    test::WalkedItem gone(vanished);
    ::unlink(vanished.c_str());
    EXPECT_FALSE(posix->readBookmarkData(gone.url()));

    const Bytes fileForm = aliasBytes(tree.file("x"));
    const std::string good = alias("good alias", fileForm);
    test::WalkedItem goodItem(good);
    EXPECT_EQ(posix->typeIdentifier(goodItem.url()), aliasFileType);
    EXPECT_FALSE(posix->readBookmarkData(fileUrlWithPath(good))); // only walked entries are read
    const BookmarkData data = *posix->readBookmarkData(goodItem.url());
    EXPECT_TRUE(posix->storedProperties(allPropertiesKey, data));
    EXPECT_FALSE(posix->storedProperties("NSURLNameKey", data));
    bool stale = true;
    EXPECT_FALSE(posix->makeBookmarkData(*posix->resolveBookmarkData(data, 0x300, stale), 0, data));
    EXPECT_FALSE(stale);
    // Bytes no reader could use never reach an alias.
    EXPECT_FALSE(posix->writeBookmarkData({'j', 'u', 'n', 'k'}, goodItem.url()));
    EXPECT_EQ(readBytes(good), data);

    // Written data takes the container form the alias file had.
    auto parsed = bookmark::BookmarkReader::read(fileForm);
    parsed->container = bookmark::BookmarkContainer::raw;
    parsed->header.clear();
    const Bytes rawForm = bookmark::BookmarkWriter::serialise(parsed.value());
    ASSERT_NE(rawForm[8], 'm');
    ASSERT_TRUE(posix->writeBookmarkData(rawForm, goodItem.url()));
    EXPECT_EQ(readBytes(good)[8], 'm');
    EXPECT_EQ(test::infoOf(readBytes(good)), test::infoOf(fileForm));
    // Only what was read is replaced, once: a second write has nothing read to replace.
    EXPECT_FALSE(posix->writeBookmarkData(rawForm, goodItem.url()));
    const std::string bare = alias("bare alias", rawForm);
    test::WalkedItem bareItem(bare);
    ASSERT_TRUE(posix->readBookmarkData(bareItem.url()));
    ASSERT_TRUE(posix->writeBookmarkData(fileForm, bareItem.url()));
    EXPECT_EQ(readBytes(bare), rawForm);
}

TEST_F(PlatformTest, RefreshRefusesAnAliasChangedOrReplacedSinceItWasRead) {
    auto posix = platform();
    const Bytes data = aliasBytes(tree.file("x"));
    const std::string path = alias("changed alias", data);
    test::WalkedItem item(path);
    ASSERT_TRUE(posix->readBookmarkData(item.url()));
    Bytes other = aliasBytes(tree.file("y"));
    tree.file("changed alias", other); // same file, new content
    EXPECT_FALSE(posix->writeBookmarkData(data, item.url()));
    EXPECT_EQ(readBytes(path), other);

    ASSERT_TRUE(posix->readBookmarkData(item.url()));
    tree.file("replacement", other);
    ASSERT_EQ(::rename(tree.path("replacement").c_str(), path.c_str()), 0); // another file
    EXPECT_FALSE(posix->writeBookmarkData(data, item.url()));
    EXPECT_EQ(readBytes(path), other);
}

} // namespace
} // namespace korvex
