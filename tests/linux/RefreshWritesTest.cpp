// What a refresh writes, read back with the project's own reader: only changes, in the Mac's
// record order, through every hard link, with the Mac's file ids and creation date where this
// machine's would be wrong, and nothing of a volume the target left.
#include "AliasScanner.h"
#include "BookmarkKeys.h"
#include "BookmarkRefresher.h"
#include "BookmarkTestData.h"
#include "PosixAliasPlatform.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace korvex {
namespace {

using bookmark::BookmarkInfo;
using test::Bytes;
using test::infoOf;
using test::readAll;
using test::readBytes;

/// Keys of table `id` of `bytes`, in stored order.
std::vector<std::uint32_t> keysOf(const Bytes& bytes, std::uint32_t id = bookmark::tocId::target) {
    std::vector<std::uint32_t> keys;
    auto read = bookmark::BookmarkReader::read(bytes);
    if (read && read->table(id)) {
        for (const bookmark::BookmarkEntry& e : read->table(id)->entries) {
            keys.push_back(e.key.code);
        }
    }
    return keys;
}

std::vector<std::string> componentsOf(const std::string& path) {
    std::vector<std::string> parts;
    for (const auto& part : std::filesystem::path(path)) {
        if (part != "/") {
            parts.push_back(part.string());
        }
    }
    return parts;
}

/// A real sample (a bare bookmark) as the data fork of an alias file, pointing at `path`.
Bytes sampleAliasAt(const char* sample, const std::string& path) {
    auto parsed =
        bookmark::BookmarkReader::read(readBytes(std::string(KORVEX_SAMPLES_DIR) + "/" + sample));
    if (!parsed) {
        return {};
    }
    std::vector<bookmark::BookmarkValue> parts;
    for (const std::string& part : componentsOf(path)) {
        parts.push_back(bookmark::BookmarkValue::makeString(part));
    }
    parsed->set(bookmark::tocId::target, bookmark::key::pathComponents,
                bookmark::BookmarkValue::makeArray(std::move(parts)));
    parsed->container = bookmark::BookmarkContainer::aliasFile;
    parsed->header.clear();
    return bookmark::BookmarkWriter::serialise(parsed.value());
}

struct stat statOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

class RefreshWritesTest : public ::testing::Test, public ScanResponder {
protected:
    test::TempTree tree;
    MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};
    std::shared_ptr<ScanReport> report;

    void scanFinished(std::shared_ptr<ScanReport> finished) override { report = finished; }
    void folderNotFound() override {}

    /// A scan with mark and rewrite on.
    ScanReport& scan(std::vector<PathMapping> mappings = {}) {
        PosixAliasPlatform platform(std::move(mappings), [this] { return mounts; });
        AliasScanner(platform).runScan(scanOptionsForFolder(tree.path("aliases"), true, true),
                                       std::make_shared<ScanReport>(), *this);
        return *report;
    }
    ReadResult<BookmarkData> refresh(const std::string& target, const Bytes& previous) {
        BookmarkResolver resolver({}, mounts);
        return BookmarkRefresher(resolver, mounts).refresh(fileUrlWithPath(target), previous);
    }
};

TEST_F(RefreshWritesTest, RealSampleRefreshedAtItsPathKeepsKeysOrderAndLinksAndThenStaysPut) {
    const std::string app = tree.path("Applications/Syncthing.app");
    tree.folder("Applications/Syncthing.app");
    const Bytes before = sampleAliasAt("puffycid-loginitem.bookmark", app);
    if (before.empty()) {
        GTEST_SKIP() << "no samples in " << KORVEX_SAMPLES_DIR;
    }
    const std::string alias = tree.file("aliases/Syncthing alias", before);
    const std::string link = tree.path("aliases/other name");
    ASSERT_EQ(::link(alias.c_str(), link.c_str()), 0);
    const struct stat first = statOf(alias);

    ScanReport& once = scan();
    EXPECT_EQ(once.rewrittenCount, 1);
    const Bytes after = readBytes(alias);
    ASSERT_NE(after, before);
    EXPECT_EQ(infoOf(after).targetPath(), app);
    // The very file, seen under both names.
    EXPECT_EQ(statOf(alias).st_ino, first.st_ino);
    EXPECT_EQ(statOf(alias).st_nlink, 2u);
    EXPECT_EQ(readBytes(link), after);
    // Every key the Mac wrote, in its order (the creation option is added: a refresh makes
    // data for an alias file).
    std::vector<std::uint32_t> keys = keysOf(after);
    std::erase(keys, bookmark::key::creationOptions);
    EXPECT_EQ(keys, keysOf(before));
    const std::string sidecar = readAll(alias + "-korvex-rewrite.text");
    ASSERT_NE(sidecar, "<missing>");

    // Its own output refreshed again: not a byte, not the inode, not the sidecar changes.
    const struct stat second = statOf(alias);
    ScanReport& twice = scan();
    EXPECT_EQ(twice.rewrittenCount, 0);
    EXPECT_EQ(readBytes(alias), after);
    EXPECT_EQ(statOf(alias).st_ino, second.st_ino);
    EXPECT_EQ(statOf(alias).st_mtim.tv_nsec, second.st_mtim.tv_nsec);
    EXPECT_EQ(readAll(alias + "-korvex-rewrite.text"), sidecar);
    EXPECT_EQ(twice.reportText.find("Couldn't"), std::string::npos) << twice.reportText;
}

TEST_F(RefreshWritesTest, RealSampleFoundThroughAMappingIsLeftAsItIs) {
    const Bytes sample = readBytes(std::string(KORVEX_SAMPLES_DIR) + "/perlmacalias-folder.alias");
    if (sample.size() < 16) {
        GTEST_SKIP() << "no samples in " << KORVEX_SAMPLES_DIR;
    }
    tree.folder("mac/System/Library/Perl");
    const std::string alias = tree.file("aliases/Perl alias", sample);
    const struct stat before = statOf(alias);
    ScanReport& found = scan({{"/System", tree.path("mac/System")}});
    EXPECT_TRUE(found.brokenPaths.empty());
    EXPECT_EQ(found.rewrittenCount, 0);
    EXPECT_EQ(readBytes(alias), sample);
    EXPECT_EQ(statOf(alias).st_ino, before.st_ino);
    EXPECT_EQ(readAll(alias + "-korvex-rewrite.text"), "<missing>");
}

TEST_F(RefreshWritesTest, FileIdsOnlyWhereTheVolumeKeepsThemAndTheDateTheMacKnows) {
    const std::string target = tree.file("stick/untitled");
    const std::vector<std::string> parts = componentsOf(target);
    BookmarkInfo stick = infoOf(test::aliasBytes(target));
    // As the Mac stored a FAT stick: the folder above known, the stick's own items unknown.
    stick.fileIDs.assign(parts.size(), std::nullopt);
    stick.fileIDs[0] = 23589;
    stick.volumeProps = {{0xE1, 0x1000013EF, 0x1000013EF}}; // no persistent ids, as valid
    stick.creationDate = 100.0;
    const Bytes fat =
        bookmark::BookmarkWriter::write(stick, bookmark::BookmarkContainer::aliasFile);
    ReadResult<BookmarkData> fresh = refresh(target, fat);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(infoOf(*fresh).fileIDs, stick.fileIDs);

    // A volume that keeps ids: this file system's, for the components on it.
    stick.volumeProps = {{0x100000081, 0x1000013EF, 0x1000013EF}};
    fresh = refresh(target,
                    bookmark::BookmarkWriter::write(stick, bookmark::BookmarkContainer::aliasFile));
    ASSERT_TRUE(fresh);
    EXPECT_EQ(infoOf(*fresh).fileIDs.back(), static_cast<std::int64_t>(statOf(target).st_ino));

    // Samba's creation date (the Mac's) before this file system's birth time.
    const std::uint64_t ticks = (730900800ull + 12622780800ull) * 10000000ull;
    Bytes dosAttributes = test::fromHex("000005000500000011000000200000000000000000000000");
    dosAttributes.resize(16);
    for (int i = 0; i < 8; ++i) {
        dosAttributes.push_back(static_cast<std::uint8_t>(ticks >> (8 * i)));
    }
    if (!tree.xattr("stick/untitled", "user.DOSATTRIB", dosAttributes)) {
        GTEST_SKIP() << "no user attributes on this file system";
    }
    EXPECT_EQ(infoOf(*refresh(target, fat)).creationDate, std::optional(730900800.0));
    // netatalk's AFP dates where Samba has none: 2024-03-01 12:00 UTC, counted from 2000.
    const std::string other = tree.file("afp/untitled");
    Bytes dates(16, 0);
    test::put32(dates, 0, 730900800u + 31622400u);
    tree.xattr("afp/untitled", "user.org.netatalk.Metadata",
               test::appleDouble({{8, 50, 16}}, 66, 50, dates));
    EXPECT_EQ(infoOf(*refresh(other, test::aliasBytes(other))).creationDate,
              std::optional(730900800.0));
}

TEST_F(RefreshWritesTest, TargetOnAnotherFileSystemHereKeepsNothingOfTheOldVolumeOrItsImage) {
    const std::string target = tree.file("file1.txt");
    BookmarkInfo info = infoOf(test::aliasBytes(target));
    bookmark::BookmarkVolumeInfo image;
    image.path = "/";
    image.name = "Macintosh HD";
    image.pathComponents = std::vector<std::string>{"Users", "anna", "Untitled.dmg"};
    info.diskImage = image;
    const Bytes previous =
        bookmark::BookmarkWriter::write(info, bookmark::BookmarkContainer::aliasFile);
    mounts = MountTable({{"/", "ext4"}, {tree.root(), "ext4"}});
    ReadResult<BookmarkData> fresh = refresh(target, previous);
    ASSERT_TRUE(fresh);
    auto read = bookmark::BookmarkReader::read(*fresh);
    EXPECT_FALSE(read->table(bookmark::tocId::diskImage));
    EXPECT_FALSE(read->find(bookmark::tocId::target, bookmark::key::volBookmark));
    EXPECT_FALSE(read->find(bookmark::tocId::target, bookmark::key::volUuid));
    EXPECT_EQ(std::string(fresh->begin(), fresh->end()).find("Untitled"), std::string::npos);
    EXPECT_EQ(infoOf(*fresh).volumePath, tree.root());
}

} // namespace
} // namespace korvex
