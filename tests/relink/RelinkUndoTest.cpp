// Undo you can trust: any number of relinks unwinds to the original, with mark or without; only
// the user's own journal is obeyed, never a file in the tree; runs at the same time lose no
// record; the journal has no size cap; records of relinks that never happened stay quiet; the
// candidate search keeps its descriptors bounded and says what it couldn't read; broken aliases
// cost memory by their number, not their size; root never relinks across owners unasked.
#include "RelinkUndo.h"
#include "AliasRepair.h"
#include "AliasScanner.h"
#include "Base64.h"
#include "CandidateSearch.h"
#include "RelinkSummary.h"
#include "TempTree.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

/// Runs `body` in a forked child; its exit status (0 when it returned true).
int inChild(const std::function<bool()>& body) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + WTERMSIG(status);
}

struct Tree {
    TempTree tree;
    std::string folder = tree.path("scan");
    std::string journal = tree.path("data/relink-journal");

    std::string alias(const std::string& name, const std::string& stored) {
        return tree.file("scan/" + name, test::aliasBytes(stored));
    }

    RepairResult repair(bool mark, const std::string& in = {}, bool anyOwner = false) {
        const std::string at = in.empty() ? folder : in;
        PosixAliasPlatform platform;
        ScanRecorder recorder(platform, at, true);
        AliasRelinker relinker(at);
        Responder responder;
        AliasScanner(recorder).runScan(scanOptionsForFolder(at), std::make_shared<ScanReport>(),
                                       responder);
        recorder.finish();
        RepairRequest request;
        request.folder = at;
        request.relink = true;
        request.mark = mark;
        request.anyOwner = anyOwner;
        request.journalPath = journal;
        return AliasRepair::run(request, recorder, &relinker, MountTable());
    }

    UndoResult undo(const std::string& in = {}, const std::function<void()>& afterReading = {}) {
        UndoResult result;
        EXPECT_TRUE(RelinkUndo::run(in.empty() ? folder : in, RelinkJournal(journal), result, {},
                                    FileCalls::system(), afterReading));
        return result;
    }

    /// The records not settled, by folder.
    std::map<std::string, int> openRecords() const {
        std::vector<RelinkJournal::Entry> entries;
        RelinkJournal::Reading reading;
        std::string why;
        EXPECT_TRUE(RelinkJournal(journal).read(
            [&](RelinkJournal::Entry&& entry) { entries.push_back(std::move(entry)); }, reading,
            why));
        std::map<std::string, int> open;
        for (const RelinkJournal::Entry& entry : entries) {
            if (!reading.settled.count(entry.offset)) {
                ++open[entry.record.folder];
            }
        }
        return open;
    }
};

TEST(RelinkUndoTest, RelinkTwiceThenUndoGivesTheOriginalBackWithMarkOrWithout) {
    for (const bool mark : {false, true}) {
        SCOPED_TRACE(mark ? "with mark" : "without mark");
        Tree t;
        const std::string alias = t.alias("c alias", t.folder + "/old/c.txt");
        const Bytes original = readBytes(alias);
        t.tree.file("scan/new/c.txt");
        ASSERT_EQ(t.repair(mark).relinked.size(), 1u);
        const Bytes first = readBytes(alias);
        std::filesystem::rename(t.folder + "/new", t.folder + "/newer");
        ASSERT_EQ(t.repair(mark).relinked.size(), 1u);
        ASSERT_EQ(test::infoOf(readBytes(alias)).targetPath(), t.folder + "/newer/c.txt");
        if (mark) {
            // The sidecar keeps the first relink's record of the original, first.
            const std::string sidecar = test::readAll(alias + "-korvex-relink.text");
            const std::string originalLine =
                "Bookmark data before the relink: " + base64Encode(original);
            const std::string firstLine = "Bookmark data before the relink: " + base64Encode(first);
            ASSERT_NE(sidecar.find(originalLine), std::string::npos);
            EXPECT_LT(sidecar.find(originalLine), sidecar.find(firstLine));
        }

        const UndoResult undone = t.undo();
        EXPECT_EQ(undone.restored, std::vector<std::string>{alias});
        EXPECT_TRUE(undone.changed.empty());
        EXPECT_TRUE(undone.failed.empty());
        EXPECT_EQ(readBytes(alias), original);
        EXPECT_FALSE(std::filesystem::exists(alias + "-korvex-relink.text"));
        EXPECT_TRUE(t.openRecords().empty());

        const UndoResult again = t.undo();
        EXPECT_TRUE(again.restored.empty());
        EXPECT_TRUE(again.changed.empty());
        EXPECT_EQ(readBytes(alias), original);
    }
}

// A record that doesn't apply yet (the alias changed after the second relink) is kept, with the
// older one: once the alias holds what the relink wrote again, both apply.
TEST(RelinkUndoTest, ARecordThatDoesNotApplyIsKept) {
    Tree t;
    const std::string alias = t.alias("c alias", t.folder + "/old/c.txt");
    const Bytes original = readBytes(alias);
    t.tree.file("scan/new/c.txt");
    ASSERT_EQ(t.repair(false).relinked.size(), 1u);
    const Bytes relinked = readBytes(alias);
    t.tree.file("scan/c alias", test::aliasBytes("/somewhere/else"));
    UndoResult undone = t.undo();
    EXPECT_EQ(undone.changed, std::vector<std::string>{alias});
    EXPECT_EQ(t.openRecords().size(), 1u);
    t.tree.file("scan/c alias", relinked);
    undone = t.undo();
    EXPECT_EQ(undone.restored, std::vector<std::string>{alias});
    EXPECT_EQ(readBytes(alias), original);
}

// Another user writes a relink sidecar beside an alias they can't change, in a sticky shared
// folder: "after" is the alias as it is, "before" what they want it to point to. No relink ever
// happened: the undo must not obey it.
TEST(RelinkUndoTest, AForgedSidecarIsNotObeyed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to write the sidecar as another user";
    }
    Tree t;
    t.tree.folder("scan/shared");
    ::chmod(t.tree.path("scan/shared").c_str(), 01777);
    ::chmod(t.tree.root().c_str(), 0755);
    const std::string alias = t.alias("shared/report alias", "/Volumes/Old/report.pdf");
    const Bytes bytes = readBytes(alias);
    const Bytes wanted = test::aliasBytes("/Volumes/Evil/payload.app");
    const std::string sidecar = alias + "-korvex-relink.text";
    ASSERT_EQ(inChild([&] {
                  if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                      return false;
                  }
                  RelinkRecord forged =
                      RelinkRecord::of(t.folder, "shared/report alias", wanted, bytes);
                  FILE* out = std::fopen(sidecar.c_str(), "w");
                  return out && std::fputs(("nil\n" + forged.sidecarLines()).c_str(), out) >= 0 &&
                         std::fclose(out) == 0;
              }),
              0);
    const UndoResult undone = t.undo();
    EXPECT_TRUE(undone.restored.empty());
    EXPECT_EQ(readBytes(alias), bytes);
    EXPECT_TRUE(std::filesystem::exists(sidecar)) << "not ours to remove";
}

// An undo of one folder and a relink of another at the same time: the undo is held between
// reading the journal and writing, while the relink appends; its record must survive.
TEST(RelinkUndoTest, AnUndoRacingARelinkLosesNoRecord) {
    Tree t;
    const std::string u = t.alias("c alias", t.folder + "/old/c.txt");
    t.tree.file("scan/new/c.txt");
    t.tree.file("other/d alias", test::aliasBytes(t.tree.path("other/old/d.txt")));
    t.tree.file("other/new/d.txt");
    const Bytes otherBefore = readBytes(t.tree.path("other/d alias"));
    ASSERT_EQ(t.repair(false).relinked.size(), 1u);

    const UndoResult undone =
        t.undo({}, [&] { ASSERT_EQ(t.repair(false, t.tree.path("other")).relinked.size(), 1u); });
    EXPECT_EQ(undone.restored, std::vector<std::string>{u});
    EXPECT_EQ(t.openRecords(), (std::map<std::string, int>{{t.tree.path("other"), 1}}));
    EXPECT_EQ(t.undo(t.tree.path("other")).restored.size(), 1u);
    EXPECT_EQ(readBytes(t.tree.path("other/d alias")), otherBefore);
}

// 64 MiB of journal used to be the end of it: every undo then restored nothing.
TEST(RelinkUndoTest, AJournalOfAnySizeIsRead) {
    Tree t;
    std::filesystem::create_directories(t.tree.path("data"));
    {
        std::ofstream out(t.journal, std::ios::binary);
        const std::string data(23 << 20, 'A');
        const std::string digest(64, '0');
        for (int i = 0; i < 3; ++i) { // three relinks of large aliases elsewhere: 69 MiB
            out << "relink2\t/elsewhere\ta" << i << "\t1:2\t1:3\t" << digest << '\t' << digest
                << '\t' << data << '\n';
        }
    }
    const std::string alias = t.alias("c alias", t.folder + "/old/c.txt");
    const Bytes original = readBytes(alias);
    t.tree.file("scan/new/c.txt");
    ASSERT_EQ(t.repair(false).relinked.size(), 1u);
    ASSERT_GT(std::filesystem::file_size(t.journal), 64u << 20);
    const UndoResult undone = t.undo();
    EXPECT_EQ(undone.restored, std::vector<std::string>{alias});
    EXPECT_EQ(undone.unreadableLines, 0u);
    EXPECT_EQ(readBytes(alias), original);
}

// A relink killed between its record and its write leaves a record of a relink that never
// happened (here in the format of earlier versions): it is settled quietly, not "changed".
TEST(RelinkUndoTest, ARelinkThatNeverHappenedIsNotChangedSince) {
    Tree t;
    const std::string alias = t.alias("c alias", t.folder + "/old/c.txt");
    const Bytes bytes = readBytes(alias);
    std::filesystem::create_directories(t.tree.path("data"));
    std::ofstream(t.journal, std::ios::binary)
        << "relink\t" << t.folder << "\tc alias\t" << base64Encode(bytes) << '\t'
        << base64Encode(test::aliasBytes("/new/c.txt")) << '\n';
    const UndoResult undone = t.undo();
    EXPECT_TRUE(undone.changed.empty());
    EXPECT_TRUE(undone.restored.empty());
    EXPECT_EQ(readBytes(alias), bytes);
    EXPECT_TRUE(t.openRecords().empty());
}

// Asked for a folder without records (a parent, a subfolder, another spelling), the undo names
// the folders that have; through a link to the folder, it finds its records by device and inode.
TEST(RelinkUndoTest, NamesTheFoldersWithRecordsAndFollowsALinkToTheFolder) {
    Tree t;
    const std::string alias = t.alias("sub/c alias", t.folder + "/old/c.txt");
    const Bytes original = readBytes(alias);
    t.tree.file("scan/new/c.txt");
    ASSERT_EQ(t.repair(false).relinked.size(), 1u);
    for (const std::string& other : {t.tree.root(), t.folder + "/sub"}) {
        const UndoResult undone = t.undo(other);
        EXPECT_TRUE(undone.restored.empty());
        EXPECT_EQ(undone.foldersWithRecords, std::vector<std::string>{t.folder});
    }
    std::filesystem::create_directory_symlink(t.folder, t.tree.path("link"));
    const UndoResult undone = t.undo(t.tree.path("link"));
    EXPECT_EQ(undone.restored, std::vector<std::string>{t.tree.path("link") + "/sub/c alias"});
    EXPECT_EQ(readBytes(alias), original);
}

TEST(RelinkUndoTest, AJournalThatCantBeReadStopsRelinkAndUndo) {
    Tree t;
    const std::string alias = t.alias("c alias", t.folder + "/old/c.txt");
    const Bytes original = readBytes(alias);
    t.tree.file("scan/new/c.txt");
    t.tree.folder("data/relink-journal"); // a folder where the file should be
    const RepairResult result = t.repair(false);
    EXPECT_TRUE(result.relinked.empty());
    EXPECT_FALSE(result.journalProblem.empty());
    EXPECT_EQ(readBytes(alias), original);
    const UndoResult undone = t.undo();
    EXPECT_FALSE(undone.journalProblem.empty());
}

TEST(RelinkUndoTest, RootsJournalIsRootsOwn) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to give a folder to another user";
    }
    TempTree tree;
    tree.folder("user/data");
    tree.folder("root");
    ::chown(tree.path("user/data").c_str(), 65534, 65534);
    const char* oldData = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string keptData = oldData ? oldData : "", keptHome = oldHome ? oldHome : "";
    ::setenv("XDG_DATA_HOME", tree.path("user/data").c_str(), 1);
    ::setenv("HOME", tree.path("root").c_str(), 1);
    EXPECT_EQ(RelinkJournal::defaultFilePath(),
              tree.path("root") + "/.local/share/korvex/relink-journal");
    ::chown(tree.path("root").c_str(), 65534, 65534);
    EXPECT_NE(RelinkJournal::defaultFilePath().rfind(tree.root(), 0), 0u);
    oldData ? ::setenv("XDG_DATA_HOME", keptData.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    oldHome ? ::setenv("HOME", keptHome.c_str(), 1) : ::unsetenv("HOME");
}

TEST(RelinkUndoTest, RootNeverRelinksAcrossOwnersUnasked) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root, to give files to other users";
    }
    Tree t;
    const std::string alias = t.alias("c alias", t.folder + "/old/c.txt");
    const Bytes original = readBytes(alias);
    const std::string planted = t.tree.file("scan/new/c.txt");
    ::chown(alias.c_str(), 1000, 1000);
    ::chown(planted.c_str(), 2000, 2000);
    EXPECT_TRUE(t.repair(false).relinked.empty());
    EXPECT_EQ(readBytes(alias), original);
    EXPECT_EQ(t.repair(false, {}, true).relinked.size(), 1u);
}

// Hard links to one sparse 16 MiB alias: the broken aliases must not hold a copy each.
TEST(RelinkUndoTest, BrokenAliasesCostMemoryByNumberNotSize) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "a sanitizer's shadow memory makes the peak meaningless";
#endif
    Tree t;
    Bytes big = test::aliasBytes(t.folder + "/gone/c.txt");
    t.tree.file("scan/big alias", big);
    ASSERT_EQ(::truncate(t.tree.path("scan/big alias").c_str(), 16 << 20), 0);
    ASSERT_TRUE(
        t.tree.xattr("scan/big alias", "user.com.apple.FinderInfo", test::finderInfoBytes(true)) ||
        true);
    for (int i = 0; i < 12; ++i) {
        ASSERT_EQ(::link(t.tree.path("scan/big alias").c_str(),
                         t.tree.path("scan/link " + std::to_string(i)).c_str()),
                  0);
    }
    EXPECT_EQ(inChild([&] {
                  struct rusage usage {};
                  ::getrusage(RUSAGE_SELF, &usage);
                  const long before = usage.ru_maxrss / 1024;
                  PosixAliasPlatform platform;
                  ScanRecorder recorder(platform, t.folder, true);
                  Responder responder;
                  AliasScanner(recorder).runScan(scanOptionsForFolder(t.folder),
                                                 std::make_shared<ScanReport>(), responder);
                  recorder.finish();
                  RepairRequest request;
                  request.folder = t.folder;
                  const RepairResult result = AliasRepair::search(request, recorder, MountTable());
                  ::getrusage(RUSAGE_SELF, &usage);
                  const long megabytes = usage.ru_maxrss / 1024 - before;
                  std::fprintf(stderr, "broken: %zu, peak grew by %ld MiB\n",
                               result.index->aliases().size(), megabytes);
                  return result.index->aliases().size() == 13 && megabytes < 100;
              }),
              0);
}

/// A chain `depth` folders deep with a sibling folder at every level (so that every level waits
/// on the stack), the wanted file at the bottom.
std::string deepChain(TempTree& tree, int depth) {
    std::string at = "deep";
    for (int i = 0; i < depth; ++i) {
        tree.folder(at + "/side");
        at += "/d";
    }
    return tree.file(at + "/wanted.txt");
}

TEST(RelinkUndoTest, TheSearchBoundsItsDescriptorsAndSaysWhatItCouldntRead) {
    TempTree tree;
    const std::string wanted = deepChain(tree, 60);
    std::optional<BrokenAlias> alias =
        BrokenAlias::from("/a/x", "x", test::aliasBytes("/Volumes/Old/wanted.txt"));
    ASSERT_TRUE(alias);
    for (const std::size_t threads : {1, 4}) {
        EXPECT_EQ(inChild([&] {
                      struct rlimit limit {};
                      ::getrlimit(RLIMIT_NOFILE, &limit);
                      limit.rlim_cur = 20;
                      ::setrlimit(RLIMIT_NOFILE, &limit);
                      CandidateIndex index({*alias});
                      const std::vector<std::string> unreadable =
                          CandidateSearch(MountTable(), threads).search({tree.root()}, index);
                      return unreadable.empty() && index.candidates(0).size() == 1 &&
                             index.candidates(0)[0].path == wanted;
                  }),
                  0)
            << threads << " threads";
    }
    // (Almost) no descriptor left for a subfolder: that is said, not passed over.
#if !defined(__SANITIZE_ADDRESS__)
    // (Not under the sanitizers: UndefinedBehaviorSanitizer checks objects through a pipe of
    // its own, and with no descriptor left it takes every object for a bad one.)
    EXPECT_EQ(inChild([&] {
                  CandidateIndex index({*alias});
                  int open = 0;
                  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
                      (void)entry;
                      ++open;
                  }
                  struct rlimit limit {};
                  ::getrlimit(RLIMIT_NOFILE, &limit);
                  limit.rlim_cur = static_cast<rlim_t>(open); // the root's and no more
                  ::setrlimit(RLIMIT_NOFILE, &limit);
                  const std::vector<std::string> unreadable =
                      CandidateSearch(MountTable(), 1).search({tree.root()}, index);
                  return !unreadable.empty() && unreadable[0].rfind(tree.path("deep"), 0) == 0;
              }),
              0);
#endif
}

// The undo of one relink (the window's Undo Relink): only its records are applied; an earlier
// relink of the same alias stays, and so does the sidecar that records it.
TEST(RelinkUndoTest, UndoOfOneRelinkLeavesTheEarlierOnes) {
    Tree t;
    const std::string alias = t.alias("c alias", t.folder + "/old/c.txt");
    const Bytes original = readBytes(alias);
    t.tree.file("scan/new/c.txt");
    ASSERT_EQ(t.repair(true).relinked.size(), 1u);
    const Bytes first = readBytes(alias);
    std::filesystem::rename(t.folder + "/new", t.folder + "/newer");
    const RepairResult second = t.repair(true);
    ASSERT_EQ(second.journalRecords.size(), 1u);

    UndoResult undone;
    ASSERT_TRUE(RelinkUndo::run(t.folder, RelinkJournal(t.journal), undone, {}, FileCalls::system(),
                                {}, &second.journalRecords));
    EXPECT_EQ(undone.restored, std::vector<std::string>{alias});
    EXPECT_EQ(readBytes(alias), first);
    EXPECT_TRUE(std::filesystem::exists(alias + "-korvex-relink.text"));
    EXPECT_EQ(t.openRecords(), (std::map<std::string, int>{{t.folder, 1}}));

    EXPECT_EQ(t.undo().restored, std::vector<std::string>{alias}); // the rest, as the CLI does
    EXPECT_EQ(readBytes(alias), original);
}

// A relink makes the sidecar of a marking scan beside a broken alias untrue: it is removed when
// it is exactly what the scan wrote, else kept and named; the summary says which.
TEST(RelinkUndoTest, ARelinkRemovesTheBrokenSidecarsAScanWroteOnly) {
    Tree t;
    const std::string ours = t.alias("ours alias", t.folder + "/old/a.txt");
    const std::string edited = t.alias("edited alias", t.folder + "/old/b.txt");
    const std::string linked = t.alias("linked alias", t.folder + "/old/c.txt");
    const std::string none = t.alias("none alias", t.folder + "/old/d.txt");
    for (const char* name : {"a.txt", "b.txt", "c.txt", "d.txt"}) {
        t.tree.file(std::string("scan/new/") + name);
    }
    {
        PosixAliasPlatform platform;
        Responder responder;
        AliasScanner(platform).runScan(scanOptionsForFolder(t.folder, true, false),
                                       std::make_shared<ScanReport>(), responder);
        ASSERT_TRUE(responder.report && responder.report->brokenCount == 4);
    }
    const std::string note = "-korvex-broken.text";
    ASSERT_TRUE(std::filesystem::exists(ours + note));
    std::string words = test::readAll(edited + note);
    words.back() = '!'; // the same length, one byte changed
    t.tree.file("scan/edited alias" + note, words);
    // A second name elsewhere: removing this one would be no removal of the note.
    ASSERT_EQ(::link((linked + note).c_str(), t.tree.path("elsewhere").c_str()), 0);
    std::filesystem::remove(none + note);

    const RepairResult result = t.repair(false);
    ASSERT_EQ(result.relinked.size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(ours + note));
    EXPECT_TRUE(std::filesystem::exists(edited + note));
    EXPECT_TRUE(std::filesystem::exists(linked + note));
    EXPECT_FALSE(RelinkSummary::sidecarFailed(result));
    const std::string summary = RelinkSummary::text(result);
    EXPECT_NE(summary.find("\nRemoved " + ours + note + "\n"), std::string::npos) << summary;
    EXPECT_NE(summary.find("\nKept " + edited + note + ": it isn't the one a scan wrote\n"),
              std::string::npos)
        << summary;
    EXPECT_NE(summary.find("\nKept " + linked + note), std::string::npos) << summary;
    EXPECT_EQ(summary.find(none + note), std::string::npos) << summary;
}

} // namespace
} // namespace korvex
