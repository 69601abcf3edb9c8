// Relinks on real trees: a volume renamed, a folder renamed, a file moved, a tie, a target
// deleted; the relinked aliases resolve on the next scan, undo gives the old bytes back, and no
// write ever follows a folder swapped for a link after the scan.
#include "AliasRepair.h"
#include "AliasScanner.h"
#include "CandidateSearch.h"
#include "RelinkUndo.h"
#include "RelinkedBookmark.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

namespace korvex {
namespace {

using test::Bytes;
using test::readBytes;
using test::TempTree;

struct Responder : ScanResponder {
    std::shared_ptr<ScanReport> report;
    void scanFinished(std::shared_ptr<ScanReport> r) override { report = std::move(r); }
    void folderNotFound() override {}
};

/// The tree of the issue below `scan/`, with the aliases in `scan/aliases/`.
struct MovedTargets {
    TempTree tree;
    std::string folder = tree.path("scan");
    std::string journal = tree.path("journal");

    MovedTargets() {
        const std::string s = folder;
        alias("a", "/Volumes/Archive/P/a.pdf", "/Volumes/Archive", "Archive");
        alias("b", "/Volumes/Archive/Q/b.pdf", "/Volumes/Archive", "Archive");
        tree.file("scan/vol/P/a.pdf");
        tree.file("scan/vol/Q/b.pdf");
        tree.file("scan/vol/P/.AppleDouble/a.pdf"); // netatalk's metadata: no candidate
        tree.file("scan/__MACOSX/vol/P/._a.pdf");
        alias("c", s + "/old/c.txt"); // its folder was renamed
        tree.file("scan/new/c.txt");
        alias("d", s + "/docs/d.txt"); // the file was moved
        tree.file("scan/archive/2020/d.txt");
        alias("e", s + "/e.txt"); // two alike
        tree.file("scan/x/e.txt");
        tree.file("scan/y/e.txt");
        alias("gone", s + "/gone.txt");
    }
    void alias(const std::string& name, const std::string& stored, const std::string& volume = "/",
               const std::string& volumeName = "Macintosh HD") {
        tree.file("scan/aliases/" + name + " alias", test::aliasBytes(stored, volume, volumeName));
    }
    std::string aliasPath(const std::string& name) const {
        return folder + "/aliases/" + name + " alias";
    }

    /// One scan, recorded.
    void scan(ScanRecorder& recorder) {
        Responder responder;
        AliasScanner(recorder).runScan(scanOptionsForFolder(folder), std::make_shared<ScanReport>(),
                                       responder);
        recorder.finish();
    }

    /// One scan and the repair after it.
    RepairResult repair(bool relink, bool mark = false,
                        const std::function<void()>& betweenScanAndRelink = {},
                        FileCalls& calls = FileCalls::system(), const StopFlag& stop = {}) {
        PosixAliasPlatform platform;
        ScanRecorder recorder(platform, folder, true);
        AliasRelinker relinker(folder, calls);
        scan(recorder);
        if (betweenScanAndRelink) {
            betweenScanAndRelink();
        }
        RepairRequest request;
        request.folder = folder;
        request.relink = relink;
        request.mark = mark;
        request.journalPath = journal;
        return AliasRepair::run(request, recorder, &relinker, MountTable(), stop);
    }

    std::int64_t brokenNow() {
        PosixAliasPlatform platform;
        Responder responder;
        AliasScanner(platform).runScan(scanOptionsForFolder(folder), std::make_shared<ScanReport>(),
                                       responder);
        return responder.report->brokenCount;
    }
};

std::vector<std::string> relinkedPaths(const RepairResult& result) {
    std::vector<std::string> paths;
    for (const RelinkedAlias& relinked : result.relinked) {
        paths.push_back(relinked.aliasPath + " -> " + relinked.targetPath);
    }
    return paths;
}

TEST(RelinkTreeTest, SuggestsWithoutWriting) {
    MovedTargets t;
    const Bytes before = readBytes(t.aliasPath("c"));
    const RepairResult result = t.repair(false);
    ASSERT_EQ(result.index->aliases().size(), 6u);
    for (std::size_t i = 0; i < result.index->aliases().size(); ++i) {
        const std::string& path = result.index->aliases()[i].aliasPath;
        const std::size_t expected = path == t.aliasPath("e")      ? 2
                                     : path == t.aliasPath("gone") ? 0
                                                                   : 1;
        EXPECT_EQ(result.index->candidates(i).size(), expected) << path;
    }
    ASSERT_EQ(result.suggestions.size(), 1u);
    EXPECT_EQ(result.suggestions[0].mapping, (PathMapping{"/Volumes/Archive", t.folder + "/vol"}));
    EXPECT_EQ(result.suggestions[0].fixes, 2u);
    EXPECT_TRUE(result.relinked.empty());
    EXPECT_EQ(readBytes(t.aliasPath("c")), before);
}

TEST(RelinkTreeTest, RelinksTheSureOnesAndUndoRestoresTheBytes) {
    MovedTargets t;
    const Bytes beforeC = readBytes(t.aliasPath("c"));
    const Bytes beforeD = readBytes(t.aliasPath("d"));
    const Bytes beforeE = readBytes(t.aliasPath("e"));
    const RepairResult result = t.repair(true);
    EXPECT_EQ(
        relinkedPaths(result),
        (std::vector<std::string>{t.aliasPath("c") + " -> " + t.folder + "/new/c.txt",
                                  t.aliasPath("d") + " -> " + t.folder + "/archive/2020/d.txt"}));
    EXPECT_TRUE(result.failed.empty());
    EXPECT_EQ(test::infoOf(readBytes(t.aliasPath("c"))).targetPath(), t.folder + "/new/c.txt");
    // The Mac sees this very file system: the ids are those of its files.
    struct stat target {};
    ASSERT_EQ(::stat((t.folder + "/new/c.txt").c_str(), &target), 0);
    const auto ids = test::infoOf(readBytes(t.aliasPath("c"))).fileIDs;
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.back(), std::optional<std::int64_t>(target.st_ino));
    EXPECT_EQ(readBytes(t.aliasPath("e")), beforeE) << "a tie is never relinked";
    EXPECT_EQ(t.brokenNow(), 4); // a and b want a mapping, e is a tie, gone is gone

    UndoResult undone;
    ASSERT_TRUE(RelinkUndo::run(t.folder, RelinkJournal(t.journal), undone));
    EXPECT_EQ(undone.restored.size(), 2u);
    EXPECT_EQ(readBytes(t.aliasPath("c")), beforeC);
    EXPECT_EQ(readBytes(t.aliasPath("d")), beforeD);
    EXPECT_EQ(t.brokenNow(), 6);
}

// Chosen by hand (as in the window): a tie is relinked to the candidate chosen; a choice of a
// candidate or an alias that isn't there is left out.
TEST(RelinkTreeTest, RelinksAsChosenAndLeavesOutChoicesOfNothing) {
    MovedTargets t;
    PosixAliasPlatform platform;
    ScanRecorder recorder(platform, t.folder, true);
    AliasRelinker relinker(t.folder);
    t.scan(recorder);
    RepairRequest request;
    request.folder = t.folder;
    request.journalPath = t.journal;
    RepairResult result = AliasRepair::search(request, recorder, MountTable());
    std::size_t e = 0;
    while (e < result.index->aliases().size() &&
           result.index->aliases()[e].aliasPath != t.aliasPath("e")) {
        ++e;
    }
    ASSERT_LT(e, result.index->aliases().size());
    ASSERT_EQ(result.index->candidates(e).size(), 2u);
    AliasRepair::relink(request, result, {{e, 2}, {result.index->aliases().size(), 0}, {e, 1}},
                        relinker, MountTable());
    EXPECT_EQ(relinkedPaths(result),
              std::vector<std::string>{t.aliasPath("e") + " -> " + t.folder + "/y/e.txt"});
    EXPECT_TRUE(result.failed.empty());
}

TEST(RelinkTreeTest, UndoLeavesAnAliasChangedSinceAndUsesTheSidecarWithMark) {
    MovedTargets t;
    const Bytes beforeD = readBytes(t.aliasPath("d"));
    ASSERT_EQ(t.repair(true, true).relinked.size(), 2u);
    ASSERT_TRUE(std::filesystem::exists(t.aliasPath("d") + "-korvex-relink.text"));
    const Bytes changedSince = test::aliasBytes("/somewhere/else");
    t.tree.file("scan/aliases/c alias", changedSince);

    UndoResult undone;
    ASSERT_TRUE(RelinkUndo::run(t.folder, RelinkJournal(t.journal), undone));
    EXPECT_EQ(undone.restored, std::vector<std::string>{t.aliasPath("d")});
    EXPECT_EQ(undone.changed, std::vector<std::string>{t.aliasPath("c")});
    EXPECT_EQ(readBytes(t.aliasPath("d")), beforeD);
    EXPECT_EQ(readBytes(t.aliasPath("c")), changedSince);
    EXPECT_FALSE(std::filesystem::exists(t.aliasPath("d") + "-korvex-relink.text"));
}

// A Mac that copies a file to a Samba share sets its creation date there, and Samba keeps it in
// user.DOSATTRIB (here as Samba 4.17 writes it: version 5, create time valid): of two files
// alike, the one the Mac made when the alias says is the target.
TEST(RelinkTreeTest, SambasCreationDateSettlesATie) {
    MovedTargets t;
    const double created = 730900800.0; // 2024-03-01 12:00:00 UTC
    t.tree.file("scan/aliases/f alias",
                test::aliasBytes(t.folder + "/f.txt", "/", "Macintosh HD", created));
    t.tree.file("scan/x/f.txt");
    t.tree.file("scan/y/f.txt");
    Bytes dosAttributes{0, 0, 5, 0, 5, 0, 0, 0, 0x11, 0, 0, 0, 0x20, 0, 0, 0};
    const auto ticks = static_cast<std::uint64_t>((created + 12622780800.0) * 1e7);
    for (int i = 0; i < 8; ++i) {
        dosAttributes.push_back(static_cast<std::uint8_t>(ticks >> (8 * i)));
    }
    if (!t.tree.xattr("scan/y/f.txt", "user.DOSATTRIB", dosAttributes)) {
        GTEST_SKIP() << "no user extended attributes here";
    }
    const RepairResult result = t.repair(false);
    for (std::size_t i = 0; i < result.index->aliases().size(); ++i) {
        if (result.index->aliases()[i].aliasPath == t.aliasPath("f")) {
            ASSERT_NE(result.index->singleBest(i), nullptr);
            EXPECT_EQ(result.index->singleBest(i)->path, t.folder + "/y/f.txt");
            return;
        }
    }
    ADD_FAILURE() << "the alias was not met";
}

TEST(RelinkTreeTest, NeverWritesThroughAFolderSwappedForALink) {
    MovedTargets t;
    t.tree.file("outside/aliases/d alias", readBytes(t.aliasPath("d")));
    t.tree.file("outside/aliases/c alias", readBytes(t.aliasPath("c")));
    const Bytes outside = readBytes(t.tree.path("outside/aliases/d alias"));
    const RepairResult result = t.repair(true, false, [&] {
        std::filesystem::rename(t.folder + "/aliases", t.tree.path("moved-away"));
        std::filesystem::create_directory_symlink(t.tree.path("outside/aliases"),
                                                  t.folder + "/aliases");
    });
    EXPECT_TRUE(result.relinked.empty());
    EXPECT_EQ(result.failed.size(), 2u);
    EXPECT_EQ(readBytes(t.tree.path("outside/aliases/d alias")), outside);
}

std::vector<std::string> failures(const RepairResult& result) {
    std::vector<std::string> lines;
    for (const FailedRelink& failed : result.failed) {
        lines.push_back(failed.aliasPath + ": " + failed.reason);
    }
    return lines;
}

// Every relink that fails says why: the alias changed since it was read, or the system's error
// of the write; the alias is then exactly as it was.
TEST(RelinkTreeTest, AFailedRelinkKeepsItsReason) {
    MovedTargets t;
    const Bytes changed = test::aliasBytes("/somewhere/else");
    RepairResult result =
        t.repair(true, false, [&] { t.tree.file("scan/aliases/c alias", changed); });
    EXPECT_EQ(failures(result),
              std::vector<std::string>{t.aliasPath("c") + ": it changed since it was read"});
    EXPECT_EQ(result.relinked.size(), 1u); // d
    EXPECT_EQ(readBytes(t.aliasPath("c")), changed);

    struct ReadOnlyRenames : FileCalls {
        int renameat(int, const char*, int, const char*) override {
            errno = EROFS;
            return -1;
        }
    } calls;
    MovedTargets u;
    const Bytes beforeC = readBytes(u.aliasPath("c"));
    result = u.repair(true, false, {}, calls);
    const std::string reason = std::string(": it couldn't be written: ") + std::strerror(EROFS);
    EXPECT_EQ(failures(result),
              (std::vector<std::string>{u.aliasPath("c") + reason, u.aliasPath("d") + reason}));
    EXPECT_TRUE(result.relinked.empty());
    EXPECT_EQ(readBytes(u.aliasPath("c")), beforeC);
}

// The search walks with several threads; what it keeps must not depend on which thread met
// what first: more same-named candidates than are kept, ties, folders and files alike.
TEST(RelinkTreeTest, TheSearchFindsTheSameWithAnyNumberOfThreads) {
    TempTree tree;
    std::vector<BrokenAlias> aliases;
    for (int name = 0; name < 12; ++name) {
        const std::string stored = "/Volumes/Old/deep/n" + std::to_string(name) + ".txt";
        std::optional<BrokenAlias> alias =
            BrokenAlias::from("/a/" + std::to_string(name), std::to_string(name),
                              test::aliasBytes(stored, "/Volumes/Old", "Old"));
        ASSERT_TRUE(alias);
        aliases.push_back(std::move(*alias));
    }
    for (int folder = 0; folder < 40; ++folder) {
        const std::string at = "f" + std::to_string(folder % 7) + "/" + std::to_string(folder) +
                               (folder % 3 ? "/deep/" : "/other/");
        for (int name = folder % 4; name < 12; name += 3) {
            tree.file(at + "n" + std::to_string(name) + ".txt");
        }
        tree.file(at + "unwanted.txt");
        std::filesystem::create_directories(
            tree.path(at + "N" + std::to_string(folder % 12) + ".TXT")); // a folder: another kind
    }
    auto candidates = [&](std::size_t threads) {
        CandidateIndex index(aliases);
        CandidateSearch(MountTable(), threads).search({tree.root()}, index);
        std::vector<std::string> found;
        for (std::size_t i = 0; i < aliases.size(); ++i) {
            found.push_back("#" + std::to_string(i));
            for (const Candidate& candidate : index.candidates(i)) {
                found.push_back(candidate.path);
            }
        }
        return found;
    };
    const std::vector<std::string> alone = candidates(1);
    EXPECT_GT(alone.size(), aliases.size() * 6);
    for (int round = 0; round < 5; ++round) {
        EXPECT_EQ(candidates(8), alone);
    }
}

TEST(RelinkTreeTest, RelinksRealBookmarkData) {
    const std::string sample = std::string(KORVEX_SAMPLES_DIR) + "/cocoa-downloads-wav.alias";
    if (!std::filesystem::exists(sample)) {
        GTEST_SKIP() << "no sample alias at " << sample;
    }
    MovedTargets t;
    const Bytes bytes = readBytes(sample);
    const std::optional<BrokenAlias> stored = BrokenAlias::from("/s", "s", bytes);
    ASSERT_TRUE(stored);
    t.tree.file("scan/real alias", bytes);
    t.tree.file("scan/found/" + stored->storedName());
    // The sample names a Mac's home folder: the candidate is there, but no mapping leads back.
    RepairResult result = t.repair(true);
    for (const RelinkedAlias& relinked : result.relinked) {
        EXPECT_NE(relinked.aliasPath, t.folder + "/real alias");
    }
    EXPECT_EQ(readBytes(t.folder + "/real alias"), bytes);

    // With the Mac's home folder mapped here, it is relinked in the Mac's terms.
    std::optional<BookmarkData> fresh = RelinkedBookmark::make(
        bytes, {"/Users/someone/found/" + stored->storedName(), false, {}, {}});
    ASSERT_TRUE(fresh);
    const bookmark::BookmarkInfo before = test::infoOf(bytes), after = test::infoOf(*fresh);
    EXPECT_EQ(after.targetPath(), "/Users/someone/found/" + stored->storedName());
    EXPECT_EQ(after.volumeUUID, before.volumeUUID);
    EXPECT_EQ(after.creationOptions, before.creationOptions);
}

// Raises the stop as the handler of SIGINT or SIGTERM does, in the first write it sees.
struct RaisingCalls : FileCalls {
    std::atomic<bool> raised{false};
    ssize_t write(int fd, const void* bytes, std::size_t count) override {
        raised.store(true);
        return FileCalls::write(fd, bytes, count);
    }
};

// A signal during the relinks (or the undo) finishes the alias at hand and touches no other;
// what is left is done by the next run. Through the flag alone: no thread has to get a core.
TEST(RelinkTreeTest, StopDuringARelinkOrAnUndoFinishesTheAliasAtHandOnly) {
    for (const bool mark : {false, true}) {
        SCOPED_TRACE(mark ? "with mark" : "journal");
        MovedTargets t;
        const Bytes beforeC = readBytes(t.aliasPath("c"));
        const Bytes beforeD = readBytes(t.aliasPath("d"));
        RaisingCalls relinkCalls;
        RepairResult stopped =
            t.repair(true, mark, {}, relinkCalls, StopFlag(std::stop_token(), relinkCalls.raised));
        EXPECT_TRUE(stopped.stopped);
        EXPECT_TRUE(stopped.searched);
        ASSERT_EQ(stopped.relinked.size(), 1u);
        EXPECT_TRUE(stopped.failed.empty());
        const bool cFirst = stopped.relinked[0].aliasPath == t.aliasPath("c");
        EXPECT_EQ(readBytes(t.aliasPath(cFirst ? "d" : "c")), cFirst ? beforeD : beforeC)
            << "no alias after the stop is touched";
        EXPECT_EQ(t.repair(true, mark).relinked.size(), 1u) << "the next run does the rest";

        RaisingCalls undoCalls;
        UndoResult undone;
        ASSERT_TRUE(RelinkUndo::run(t.folder, RelinkJournal(t.journal), undone,
                                    StopFlag(std::stop_token(), undoCalls.raised), undoCalls));
        EXPECT_TRUE(undone.stopped);
        ASSERT_EQ(undone.restored.size(), 1u);
        EXPECT_TRUE(undone.changed.empty());
        EXPECT_EQ(t.brokenNow(), 5) << "one restored, the other still relinked";

        UndoResult rest;
        ASSERT_TRUE(RelinkUndo::run(t.folder, RelinkJournal(t.journal), rest));
        EXPECT_FALSE(rest.stopped);
        EXPECT_EQ(rest.restored.size(), 1u);
        EXPECT_EQ(readBytes(t.aliasPath("c")), beforeC);
        EXPECT_EQ(readBytes(t.aliasPath("d")), beforeD);
    }
}

// A stop before or during the search: nothing is relinked, and the search says it was cut.
TEST(RelinkTreeTest, StoppedSearchRelinksNothing) {
    MovedTargets t;
    const Bytes beforeC = readBytes(t.aliasPath("c"));
    std::stop_source source;
    source.request_stop();
    const RepairResult result = t.repair(true, false, {}, FileCalls::system(), source.get_token());
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.searched);
    EXPECT_TRUE(result.relinked.empty());
    EXPECT_TRUE(result.suggestions.empty());
    EXPECT_EQ(readBytes(t.aliasPath("c")), beforeC);
    std::atomic<bool> raised{true};
    CandidateIndex index(std::move(std::vector<BrokenAlias>{
        *BrokenAlias::from("/a", "a", test::aliasBytes(t.folder + "/new/c.txt"))}));
    bool stopped = false;
    CandidateSearch(MountTable(), 3)
        .search({t.tree.root()}, index, StopFlag(std::stop_token(), raised), &stopped);
    EXPECT_TRUE(stopped);
    EXPECT_TRUE(index.candidates(0).empty());
}

} // namespace
} // namespace korvex
