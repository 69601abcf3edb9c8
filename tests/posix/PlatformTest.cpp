// The Linux platform under the real scan engine, on temporary folders: what reaches the
// report, and what the operations do with odd entries.
#include "AliasScanner.h"
#include "TempTree.h"
#include "bookmark/BookmarkReader.h"
#include "bookmark/BookmarkWriter.h"
#include "posix/PosixAliasPlatform.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace korvex {
namespace {

using test::aliasBytes;
using test::infoOf;
using test::readAll;
using test::readBytes;
using test::TempTree;
using test::writeBytes;

const std::string finderInfo = std::string("alisMACS\x80") + std::string(23, '\0');

class Answer : public ScanResponder {
public:
    std::shared_ptr<ScanReport> report;
    bool notFound = false;
    void scanFinished(std::shared_ptr<ScanReport> finished) override { report = finished; }
    void folderNotFound() override { notFound = true; }
};

class PlatformTest : public ::testing::Test {
protected:
    TempTree tree;
    MountTable mounts{std::vector<MountPoint>{{"/", "ext4"}}};

    PosixAliasPlatform platform(std::vector<PathMapping> mappings = {}) {
        return PosixAliasPlatform(std::move(mappings), [this] { return mounts; });
    }

    std::string alias(const std::string& relative, const std::vector<std::uint8_t>& bytes) {
        const std::string path = tree.path(relative);
        writeBytes(path, bytes);
        EXPECT_EQ(::lsetxattr(path.c_str(), "user.com.apple.FinderInfo", finderInfo.data(),
                              finderInfo.size(), 0),
                  0);
        return path;
    }

    std::shared_ptr<ScanReport> scan(AliasPlatform& on, bool mark = false, bool rewrite = false) {
        Answer answer;
        AliasScanner(on).runScan(scanOptionsForFolder(tree.root(), mark, rewrite),
                                 std::make_shared<ScanReport>(), answer);
        EXPECT_FALSE(answer.notFound);
        return answer.report;
    }
};

TEST_F(PlatformTest, ScanFindsBrokenAliasesAndResolvesMappedOnes) {
    tree.folder("sub");
    const std::string target = tree.file("files/plan");
    alias("here alias", aliasBytes(target));
    alias("sub/mapped alias", aliasBytes("/Volumes/Archive/plan", "/Volumes/Archive", "Archive"));
    const std::string broken = alias("sub/gone alias", aliasBytes(tree.path("files/gone")));
    tree.file("plain.txt", "book");
    tree.file("unreadable alias", "bookmark? no");
    ::lsetxattr(tree.path("unreadable alias").c_str(), "user.com.apple.FinderInfo",
                finderInfo.data(), finderInfo.size(), 0);

    PosixAliasPlatform posix = platform({{"/Volumes/Archive", tree.path("files")}});
    std::shared_ptr<ScanReport> report = scan(posix);
    ASSERT_TRUE(report);
    // Four aliases met; the one whose data can't be read counts but is not broken.
    EXPECT_EQ(report->aliasCount, 4);
    EXPECT_EQ(report->brokenCount, 1);
    EXPECT_EQ(report->brokenPaths, std::vector<std::string>{broken});

    // Without the mapping the mapped alias is broken too.
    PosixAliasPlatform unmapped = platform();
    EXPECT_EQ(scan(unmapped)->brokenCount, 2);

    Answer answer;
    AliasScanner(unmapped).runScan(scanOptionsForFolder(tree.path("missing")),
                                   std::make_shared<ScanReport>(), answer);
    EXPECT_TRUE(answer.notFound);
}

TEST_F(PlatformTest, RewriteKeepsTheMacPathOfMappedAliasesAndTheirFinderInfo) {
    tree.file("files/plan");
    const auto previous = aliasBytes("/Volumes/Archive/plan", "/Volumes/Archive", "Archive");
    const std::string mapped = alias("mapped alias", previous);
    const std::string sidecar = tree.file("._mapped alias", "apple double bytes");
    ASSERT_EQ(::chmod(mapped.c_str(), 0604), 0);

    PosixAliasPlatform posix = platform({{"/Volumes/Archive", tree.path("files")}});
    std::shared_ptr<ScanReport> report = scan(posix, true, true);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->rewrittenCount, 1);
    EXPECT_EQ(infoOf(readBytes(mapped)).targetPath(), "/Volumes/Archive/plan");
    EXPECT_EQ(infoOf(readBytes(mapped)), infoOf(previous));
    char value[64];
    EXPECT_EQ(::lgetxattr(mapped.c_str(), "user.com.apple.FinderInfo", value, sizeof value), 32);
    struct stat st {};
    ASSERT_EQ(::stat(mapped.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(readAll(sidecar), "apple double bytes");
    EXPECT_NE(readAll(mapped + "-korvex-rewrite.text").find("/Volumes/Archive/plan"),
              std::string::npos);
}

TEST_F(PlatformTest, MarkWritesBesideBrokenAliasesAndReportsSidecarsThatCantBeWritten) {
    const std::string a = alias("a alias", aliasBytes(tree.path("gone-a")));
    const std::string b = alias("b alias", aliasBytes(tree.path("gone-b")));
    // Where b's sidecar goes stands a link to a file that must stay as it is.
    const std::string victim = tree.file("victim", "keep me");
    ASSERT_EQ(::symlink(victim.c_str(), (b + "-korvex-broken.text").c_str()), 0);

    PosixAliasPlatform posix = platform();
    std::shared_ptr<ScanReport> report = scan(posix, true, false);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->brokenCount, 2);
    EXPECT_EQ(readAll(a + "-korvex-broken.text").rfind("Optional([", 0), 0u);
    EXPECT_EQ(readAll(victim), "keep me");
    EXPECT_NE(report->reportText.find("Couldn't write " + b + "-korvex-broken.text\n"),
              std::string::npos);
}

TEST_F(PlatformTest, OperationsOnOddEntriesFailCleanly) {
    PosixAliasPlatform posix = platform();
    // An alias that vanished between the listing and the read.
    const std::string vanished = alias("vanished alias", aliasBytes(tree.path("x")));
    ::unlink(vanished.c_str());
    EXPECT_FALSE(posix.readBookmarkData(fileUrlWithPath(vanished)));
    EXPECT_FALSE(posix.typeIdentifier(fileUrlWithPath(vanished)));

    // A pipe named like an alias is answered at once.
    const std::string pipe = tree.path("pipe alias");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(posix.readBookmarkData(fileUrlWithPath(pipe)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_NE(posix.typeIdentifier(fileUrlWithPath(pipe)), aliasFileType);

    const std::string good = alias("good alias", aliasBytes(tree.path("x")));
    EXPECT_EQ(posix.typeIdentifier(fileUrlWithPath(good)), aliasFileType);
    const BookmarkData data = *posix.readBookmarkData(fileUrlWithPath(good));
    EXPECT_TRUE(posix.storedProperties(allPropertiesKey, data));
    EXPECT_FALSE(posix.storedProperties("NSURLNameKey", data));
    EXPECT_FALSE(posix.storedProperties(allPropertiesKey, {1, 2, 3}));
    bool stale = false;
    EXPECT_FALSE(posix.resolveBookmarkData({'b', 'o', 'o', 'k'}, resolutionOptions, stale));

    const std::string target = tree.file("x");
    std::optional<FileUrl> resolved = posix.resolveBookmarkData(data, resolutionOptions, stale);
    ASSERT_TRUE(resolved);
    EXPECT_EQ(resolved->path, target);
    EXPECT_FALSE(stale);
    EXPECT_FALSE(posix.makeBookmarkData(*resolved, 0, data)); // only option 1024 is made
    ASSERT_TRUE(posix.makeBookmarkData(*resolved, bookmarkCreationSuitableForBookmarkFile, data));

    // Bytes no reader could use never reach an alias.
    EXPECT_FALSE(posix.writeBookmarkData({'j', 'u', 'n', 'k'}, fileUrlWithPath(good)));
    EXPECT_EQ(readBytes(good), data);
}

TEST_F(PlatformTest, WrittenDataTakesTheContainerFormTheAliasFileHad) {
    PosixAliasPlatform posix = platform();
    const std::string target = tree.file("x");
    const auto fileForm = aliasBytes(target);
    const std::string aliasFile = alias("alias-form alias", fileForm);

    // Raw bookmark bytes (as the bookmark services hand them out) written into an alias file.
    auto parsed = bookmark::BookmarkReader::read(fileForm);
    ASSERT_TRUE(parsed.ok());
    parsed->container = bookmark::BookmarkContainer::raw;
    parsed->header.clear();
    const auto rawForm = bookmark::BookmarkWriter::serialise(parsed.value());
    ASSERT_EQ(std::string(rawForm.begin(), rawForm.begin() + 8).find("mark"), std::string::npos);

    ASSERT_TRUE(posix.writeBookmarkData(rawForm, fileUrlWithPath(aliasFile)));
    const auto written = readBytes(aliasFile);
    EXPECT_EQ(std::string(written.begin(), written.begin() + 12),
              std::string("book\0\0\0\0mark", 12));
    EXPECT_EQ(infoOf(written), infoOf(fileForm));

    // A file that held the bare form keeps it.
    const std::string bare = alias("bare alias", rawForm);
    ASSERT_TRUE(posix.writeBookmarkData(fileForm, fileUrlWithPath(bare)));
    EXPECT_EQ(readBytes(bare), rawForm);
}

TEST_F(PlatformTest, RealMacAliasesResolveOnAVolumeMountedHereUnderItsName) {
    const std::string samples = KORVEX_SAMPLES_DIR;
    const auto removable = readBytes(samples + "/perlmacalias-removable.alias");
    const auto downloads = readBytes(samples + "/cocoa-downloads-wav.alias");
    if (removable.size() < 16 || downloads.size() < 16) {
        GTEST_SKIP() << "no sample alias files in " << samples;
    }
    // Copied without FinderInfo, as git and most copies leave them: known by their content.
    writeBytes(tree.path("stick alias"), removable);
    writeBytes(tree.path("downloads alias"), downloads);
    const std::string stick = tree.folder("media/me/SANDISK");
    tree.file("media/me/SANDISK/untitled", "on the stick");
    mounts = MountTable(std::vector<MountPoint>{{"/", "ext4"}, {stick, "exfat"}});

    PosixAliasPlatform posix = platform();
    std::shared_ptr<ScanReport> report = scan(posix, false, true);
    ASSERT_TRUE(report);
    EXPECT_EQ(report->aliasCount, 2);
    EXPECT_EQ(report->brokenPaths, std::vector<std::string>{tree.path("downloads alias")});
    EXPECT_EQ(report->rewrittenCount, 1);
    // Refreshed in the Mac's terms: macOS's own bytes come back unchanged.
    EXPECT_EQ(readBytes(tree.path("stick alias")), removable);
}

} // namespace
} // namespace korvex
