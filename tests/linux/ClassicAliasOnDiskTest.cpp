// Classic aliases (an alias record in the resource fork, nothing in the data fork) through
// every carrier of the resource fork, on temporary folders under the real scan engine.
#include "AliasRecognizer.h"
#include "AliasRepair.h"
#include "AliasScanner.h"
#include "ClassicTestData.h"
#include "PosixAliasPlatform.h"
#include "PosixFolderWalk.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace korvex {
namespace {

using test::appleDouble;
using test::Bytes;
using test::finderInfoBytes;

/// An alias record for the target at `path` (absolute, on the volume mounted at "/").
Bytes recordFor(const std::string& path) {
    return classictest::RecordBuilder().text(18, path.substr(1)).text(19, "/").build();
}

Bytes forkWith(const Bytes& record) {
    return classictest::resourceFork({{classictest::alis, 0, record}});
}

/// An AppleDouble file: FinderInfo (entry 9) and the resource fork (entry 2).
Bytes sidecarWith(const Bytes& fork, bool alias = true) {
    Bytes out = appleDouble({{9, 50, 32}, {2, 82, static_cast<std::uint32_t>(fork.size())}}, 82, 50,
                            finderInfoBytes(alias));
    out.insert(out.end(), fork.begin(), fork.end());
    return out;
}

class ClassicAliasTest : public ::testing::Test, public ScanResponder {
public:
    test::TempTree tree;
    std::shared_ptr<ScanReport> report;

    void SetUp() override {
        tree.file("probe");
        xattrs = tree.xattr("probe", "user.probe", Bytes{1});
        std::filesystem::remove(tree.path("probe"));
    }
    void scanFinished(std::shared_ptr<ScanReport> finished) override { report = finished; }
    void folderNotFound() override {}

    ScanReport& scan(bool mark = false, bool rewrite = false, const std::string& folder = {}) {
        report.reset();
        PosixAliasPlatform platform({}, [] {
            return MountTable(std::vector<MountPoint>{{"/", "ext4"}});
        });
        AliasScanner(platform).runScan(
            scanOptionsForFolder(folder.empty() ? tree.root() : folder, mark, rewrite),
            std::make_shared<ScanReport>(), *this);
        static ScanReport none;
        return report ? *report : none;
    }

    bool xattrs = true;
};

TEST_F(ClassicAliasTest, EveryCarrierOfTheResourceForkIsRead) {
    const std::string target = tree.file("files/target");
    struct Case {
        const char* what;
        std::function<void(ClassicAliasTest&, const Bytes& fork)> place;
        bool needsXattrs;
        std::string alias; // relative path of the alias
    };
    const std::vector<Case> cases = {
        {"._NAME entry 2",
         [](ClassicAliasTest& t, const Bytes& fork) {
             t.tree.file("a/._alias", sidecarWith(fork));
         },
         false, "a/alias"},
        {".AppleDouble/NAME entry 2",
         [](ClassicAliasTest& t, const Bytes& fork) {
             t.tree.file("a/.AppleDouble/alias", sidecarWith(fork));
         },
         false, "a/alias"},
        {"__MACOSX at the scanned folder",
         [](ClassicAliasTest& t, const Bytes& fork) {
             t.tree.file("__MACOSX/a/b/._alias", sidecarWith(fork));
         },
         false, "a/b/alias"},
        {"__MACOSX in a folder below",
         [](ClassicAliasTest& t, const Bytes& fork) {
             t.tree.file("a/__MACOSX/b/._alias", sidecarWith(fork));
         },
         false, "a/b/alias"},
        {"Samba's AFP_Resource stream, one trailing zero byte",
         [](ClassicAliasTest& t, const Bytes& fork) {
             Bytes stored = fork;
             stored.push_back(0);
             t.tree.xattr("a/alias", "user.DosStream.AFP_Resource:$DATA", stored);
             t.tree.xattr("a/alias", "user.com.apple.FinderInfo", finderInfoBytes(true));
         },
         true, "a/alias"},
        {"user.com.apple.ResourceFork",
         [](ClassicAliasTest& t, const Bytes& fork) {
             t.tree.xattr("a/alias", "user.com.apple.ResourceFork", fork);
             t.tree.xattr("a/alias", "user.com.apple.FinderInfo", finderInfoBytes(true));
         },
         true, "a/alias"},
    };
    for (const Case& c : cases) {
        if (c.needsXattrs && !xattrs) {
            continue;
        }
        std::filesystem::remove_all(tree.path("a"));
        std::filesystem::remove_all(tree.path("__MACOSX"));
        tree.file(c.alias, "");
        c.place(*this, forkWith(recordFor(target)));
        ScanReport& found = scan();
        EXPECT_EQ(found.aliasCount, 1) << c.what;
        EXPECT_EQ(found.brokenCount, 0) << c.what;

        std::filesystem::remove(tree.path(c.alias));
        tree.file(c.alias, "");
        c.place(*this, forkWith(recordFor(tree.path("files/gone"))));
        EXPECT_EQ(scan().brokenPaths, std::vector<std::string>{tree.path(c.alias)}) << c.what;
    }
}

// `korvex-scan ARCHIVE/a` finds what `korvex-scan ARCHIVE` finds: the alias's FinderInfo and
// record lie in `__MACOSX` at the archive's top, above the scanned folder.
TEST_F(ClassicAliasTest, ScanBelowAnArchivesTopReadsTheRecordThere) {
    const std::string target = tree.file("files/target");
    tree.file("arch/a/b/alias", "");
    tree.file("arch/__MACOSX/a/b/._alias", sidecarWith(forkWith(recordFor(target))));
    tree.file("arch/a/b/broken", "");
    tree.file("arch/__MACOSX/a/b/._broken", sidecarWith(forkWith(recordFor(tree.path("gone")))));
    for (const char* folder : {"arch", "arch/a", "arch/a/b"}) {
        ScanReport& found = scan(false, false, tree.path(folder));
        EXPECT_EQ(found.aliasCount, 2) << folder;
        EXPECT_EQ(found.brokenPaths, std::vector<std::string>{tree.path("arch/a/b/broken")})
            << folder;
    }
}

TEST_F(ClassicAliasTest, RefreshLeavesItAsItIsAndMarkDescribesTheRecord) {
    const std::string target = tree.file("files/target");
    tree.file("good alias", "");
    const Bytes good = sidecarWith(forkWith(recordFor(target)));
    tree.file("._good alias", good);
    tree.file("gone alias", "");
    tree.file("._gone alias", sidecarWith(forkWith(recordFor(tree.path("files/gone")))));

    ScanReport& found = scan(/*mark=*/true, /*rewrite=*/true);
    EXPECT_EQ(found.aliasCount, 2);
    EXPECT_EQ(found.brokenCount, 1);
    EXPECT_EQ(found.rewrittenCount, 0);
    EXPECT_EQ(found.reportText.find("Couldn't"), std::string::npos);
    EXPECT_EQ(test::readAll(tree.path("good alias")), "");
    EXPECT_EQ(test::readBytes(tree.path("._good alias")), good);
    EXPECT_FALSE(std::filesystem::exists(tree.path("good alias-korvex-rewrite.text")));
    const std::string sidecar = test::readAll(tree.path("gone alias-korvex-broken.text"));
    EXPECT_EQ(sidecar.rfind("Optional([", 0), 0u) << sidecar;
    EXPECT_NE(sidecar.find("\"_NSURLPathKey\": \"" + tree.path("files/gone") + "\""),
              std::string::npos)
        << sidecar;
    EXPECT_NE(sidecar.find("\"aliasVersion\": 2"), std::string::npos) << sidecar;
}

TEST_F(ClassicAliasTest, MovedTargetsAreFoundButTheRecordIsNeverRewritten) {
    tree.file("new/moved.txt");
    tree.file("moved alias", "");
    const Bytes sidecar = sidecarWith(forkWith(recordFor(tree.path("old/moved.txt"))));
    tree.file("._moved alias", sidecar);

    PosixAliasPlatform platform;
    ScanRecorder recorder(platform, tree.root(), true);
    AliasRelinker relinker(tree.root());
    AliasScanner(recorder).runScan(scanOptionsForFolder(tree.root()),
                                   std::make_shared<ScanReport>(), *this);
    recorder.finish();
    RepairRequest request;
    request.folder = tree.root();
    request.relink = true;
    request.journalPath = tree.path("journal");
    const RepairResult result = AliasRepair::run(request, recorder, &relinker, MountTable());

    ASSERT_EQ(result.index->aliases().size(), 1u);
    EXPECT_TRUE(result.index->aliases()[0].classic);
    ASSERT_NE(result.index->singleBest(0), nullptr);
    EXPECT_EQ(result.index->singleBest(0)->path, tree.path("new/moved.txt"));
    EXPECT_TRUE(result.relinked.empty());
    EXPECT_TRUE(result.failed.empty());
    EXPECT_EQ(test::readAll(tree.path("moved alias")), "");
    EXPECT_EQ(test::readBytes(tree.path("._moved alias")), sidecar);
    ASSERT_EQ(recorder.records().size(), 1u);
    EXPECT_EQ(recorder.records()[0].target, tree.path("old/moved.txt"));
}

TEST_F(ClassicAliasTest, DamagedAliasesAreListedAsBrokenWithANilSidecar) {
    const Bytes record = recordFor(tree.file("files/target"));
    Bytes badMap = forkWith(record);
    classictest::put32(badMap, 4, 0xFFFFFF00); // map offset past the end
    Bytes truncated = record;
    truncated.resize(160);
    struct Case {
        const char* name;
        Bytes sidecar;
    };
    const std::vector<Case> cases = {
        {"no alis resource", sidecarWith(classictest::resourceFork({{0x53545220, 0, {1}}}))},
        {"map past the end", sidecarWith(badMap)},
        {"record cut short", sidecarWith(forkWith(truncated))},
        {"no resource fork", test::macSidecar(true)},
    };
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        tree.file(c.name, "");
        tree.file(std::string("._") + c.name, c.sidecar);
        expected.push_back(tree.path(c.name));
    }
    // Over the 16 MiB bound.
    const std::string large = tree.file("large alias", "");
    ASSERT_EQ(::truncate(large.c_str(), 17 * 1024 * 1024), 0);
    tree.file("._large alias", test::macSidecar(true));
    expected.push_back(large);
    std::sort(expected.begin(), expected.end());

    ScanReport& found = scan(/*mark=*/true, /*rewrite=*/true);
    EXPECT_EQ(found.aliasCount, 5);
    EXPECT_EQ(found.brokenPaths, expected);
    EXPECT_EQ(found.rewrittenCount, 0);
    for (const std::string& path : expected) {
        EXPECT_EQ(test::readAll(path + "-korvex-broken.text"), "nil\n") << path;
    }
}

TEST_F(ClassicAliasTest, MetadataFoldersAreCarriersNeverAliases) {
    const Bytes bookmarkAlias = test::aliasBytes(tree.file("files/target"));
    // The decoy: its netatalk FinderInfo says "not an alias", whatever its content looks like.
    tree.file("decoy", bookmarkAlias);
    tree.file(".AppleDouble/decoy", sidecarWith({}, /*alias=*/false));
    // Alias-looking files inside the metadata folders themselves.
    tree.file(".AppleDouble/inside", bookmarkAlias);
    tree.file("__MACOSX/inside", bookmarkAlias);
    tree.file("__MACOSX/deeper/inside", bookmarkAlias);
    if (xattrs) {
        tree.xattr("__MACOSX/inside", "user.com.apple.FinderInfo", finderInfoBytes(true));
    }
    // Files of an unpacked archive: their __MACOSX copies decide.
    tree.file("archive/real", "");
    tree.file("__MACOSX/archive/._real",
              sidecarWith(forkWith(recordFor(tree.path("files/target")))));
    tree.file("archive/decoy", bookmarkAlias);
    tree.file("__MACOSX/archive/._decoy", test::macSidecar(false));

    ScanReport& found = scan();
    EXPECT_EQ(found.aliasCount, 1);
    EXPECT_EQ(found.brokenCount, 0);

    // The walk names the metadata folders but does not enter them.
    std::vector<std::string> walked;
    AliasRecognizer recognizer;
    auto walk = PosixFolderWalk::open(tree.root(), recognizer);
    for (WalkEntry entry; walk->next(entry);) {
        walked.emplace_back(entry.relativePath);
    }
    walk.reset();
    EXPECT_NE(std::find(walked.begin(), walked.end(), "__MACOSX"), walked.end());
    for (const std::string& relative : walked) {
        EXPECT_FALSE(relative.starts_with("__MACOSX/") || relative.starts_with(".AppleDouble/"))
            << relative;
    }

    EXPECT_EQ(recognizer.typeIdentifier(tree.path("decoy")), "public.data");
    EXPECT_EQ(recognizer.typeIdentifier(tree.path("__MACOSX/inside")), "public.data");
    EXPECT_EQ(recognizer.typeIdentifier(tree.path(".AppleDouble/inside")), "public.data");
    EXPECT_EQ(recognizer.typeIdentifier(tree.path("archive/real")), "com.apple.alias-file");
    EXPECT_EQ(recognizer.typeIdentifier(tree.path("archive/decoy")), "public.data");
}

} // namespace
} // namespace korvex
