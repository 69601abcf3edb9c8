// The per-entry outcomes of a scan and the frame around them.
#include "ScanHarness.h"
#include "ScanRecorder.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <tuple>

#include <gtest/gtest.h>

namespace korvex::test {
namespace {

TEST(AliasScannerOutcomes, EntriesThatAreNotAliasesLeaveNoTraceButTheSevenLines) {
    MemoryAliasPlatform platform;
    platform.addPlain("doc.txt");
    platform.addPlain("sub", "public.folder");
    platform.addPlain("odd", "COM.APPLE.ALIAS-FILE");                     // case matters
    platform.addPlain("longer", "com.apple.alias-file2");                 // whole string only
    platform.entries.push_back({"vanished", std::nullopt, std::nullopt}); // lookup fails

    ScanRun run(platform, true, true);
    EXPECT_EQ(run.report->aliasCount, 0);
    EXPECT_EQ(run.report->brokenCount, 0);
    EXPECT_TRUE(run.report->brokenPaths.empty());
    for (const std::string& call : platform.calls)
        EXPECT_TRUE(call.rfind("walk", 0) == 0 || call.rfind("type", 0) == 0) << call;
    // The report of a folder without aliases: seven lines, the list empty.
    const std::vector<std::string> lines = run.lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[2], "Aliases found broken:");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5], "Found 0 broken Aliases, and rewrote 0, out of 0 scanned in /f");
}

TEST(AliasScannerOutcomes, BrokenAliasIsListedByAbsolutePath) {
    MemoryAliasPlatform platform;
    platform.addAlias("a/b/c/deep alias");
    ScanRun run(platform);
    EXPECT_EQ(run.report->aliasCount, 1);
    EXPECT_EQ(run.report->brokenCount, 1);
    ASSERT_EQ(run.report->brokenPaths.size(), 1u);
    EXPECT_EQ(run.report->brokenPaths[0], "/f/a/b/c/deep alias");
    EXPECT_TRUE(platform.texts.empty()); // mark off: nothing written
}

TEST(AliasScannerOutcomes, ResolvingAliasWithoutRewriteWritesNothing) {
    MemoryAliasPlatform platform;
    platform.addAlias("good", "/target");
    ScanRun run(platform, /*mark=*/true, /*rewrite=*/false);
    EXPECT_EQ(run.report->aliasCount, 1);
    EXPECT_EQ(run.report->brokenCount, 0);
    EXPECT_TRUE(platform.texts.empty());
    EXPECT_TRUE(platform.bookmarks.empty());
}

TEST(AliasScannerOutcomes, CountsAddUpOverAMixedTree) {
    MemoryAliasPlatform platform;
    platform.addAlias("1", "/t1");
    platform.addAlias("2");
    platform.addPlain("3");
    platform.addAlias("4", "/t4");
    platform.addAlias("5");
    platform.entries.push_back({"6", std::string(aliasFileType), std::nullopt}); // damaged
    platform.keptAsIs.insert(platform.addAlias("7", "/t7")); // resolves, kept as it is
    ScanRun run(platform, true, true);
    EXPECT_EQ(run.report->aliasCount, 6);
    EXPECT_EQ(run.report->brokenCount, 3);
    EXPECT_EQ(run.report->rewrittenCount, 2);
    // Damaged data leads nowhere: listed as broken, never refreshed, its sidecar says nil.
    EXPECT_EQ(run.report->brokenPaths, (std::vector<std::string>{"/f/2", "/f/5", "/f/6"}));
    std::vector<std::string> written;
    for (const auto& [path, text] : platform.texts)
        written.push_back(path);
    EXPECT_EQ(written,
              (std::vector<std::string>{"/f/1-korvex-rewrite.text", "/f/2-korvex-broken.text",
                                        "/f/4-korvex-rewrite.text", "/f/5-korvex-broken.text",
                                        "/f/6-korvex-broken.text"}));
    EXPECT_EQ(platform.texts["/f/6-korvex-broken.text"], "nil\n");
    // Data kept as it is: resolved, not broken, neither refreshed nor failed, no sidecar.
    EXPECT_EQ(platform.bookmarks.count("/f/7"), 0u);
    EXPECT_EQ(run.report->reportText.find("Couldn't"), std::string::npos);
    EXPECT_EQ(run.report->brokenCount + run.report->rewrittenCount + 1, run.report->aliasCount);
}

// What the system refused to let be read is said so, and is never a verdict: not "broken",
// not "not an alias", and not nothing.
TEST(AliasScannerOutcomes, WhatTheSystemRefusesIsCouldntReadNeitherBrokenNorDropped) {
    MemoryAliasPlatform platform;
    MemoryAliasPlatform::Entry locked{"locked alias", std::string(aliasFileType), std::nullopt};
    locked.readFailure = ReadFailure::unreadable(EACCES);
    MemoryAliasPlatform::Entry unexamined{"unexamined", std::nullopt, std::nullopt};
    unexamined.typeFailure = ReadFailure::unreadable(EIO);
    MemoryAliasPlatform::Entry removed{"removed alias", std::string(aliasFileType), std::nullopt};
    removed.readFailure = ReadFailure::gone();
    platform.entries = {locked, unexamined, removed};
    platform.entries.push_back({"vanished", std::nullopt, std::nullopt}); // gone: no trace
    platform.entries.push_back({"damaged alias", std::string(aliasFileType), std::nullopt});
    // Read, but a folder on the way to its target may not be searched.
    platform.targetUnreadable.insert(platform.addAlias("fenced alias", "/t/x"));

    ScanRecorder recorder(platform, platform.folder, true);
    AliasScanner scanner(recorder);
    CountingResponder responder;
    scanner.runScan(scanOptionsForFolder(platform.folder, /*mark=*/true, /*rewrite=*/true),
                    std::make_shared<ScanReport>(), responder);
    recorder.finish();
    const ScanReport& report = *responder.report;

    // Counted: the aliases known to be aliases; the entry that couldn't be examined only has
    // its line. Only the damaged alias is broken.
    EXPECT_EQ(report.aliasCount, 4);
    EXPECT_EQ(report.brokenPaths, (std::vector<std::string>{"/f/damaged alias"}));
    EXPECT_EQ(report.problemCount, 3);
    EXPECT_NE(report.reportText.find(
                  ":\n\nCouldn't read /f/locked alias: " + std::string(std::strerror(EACCES)) +
                  "\nCouldn't read /f/unexamined: " + std::strerror(EIO) +
                  "\nCouldn't read the target of /f/fenced alias: " + std::strerror(EACCES) +
                  "\nAliases found broken:\n"),
              std::string::npos)
        << report.reportText;
    // Nothing was written beside or into what couldn't be read; nothing of it was resolved.
    EXPECT_EQ(platform.texts.size(), 1u);
    EXPECT_EQ(platform.texts.count("/f/damaged alias-korvex-broken.text"), 1u);
    EXPECT_TRUE(platform.bookmarks.empty()); // the fenced one is not refreshed either
    for (const std::string& call : platform.calls) {
        if (call.find("fenced") == std::string::npos) {
            EXPECT_EQ(call.find("resolve"), std::string::npos) << call;
        }
    }

    // The recorder keeps the reason for the JSON: the errno and what could not be read, or
    // that the data is damaged.
    std::map<std::string, std::tuple<AliasStatus, int, std::string>> recorded;
    for (const AliasRecord& record : recorder.records())
        recorded[record.relativePath] = {record.status, record.error, record.reason};
    EXPECT_EQ(recorded["locked alias"], std::tuple(AliasStatus::unreadable, EACCES, ""));
    EXPECT_EQ(recorded["unexamined"], std::tuple(AliasStatus::unreadable, EIO, ""));
    EXPECT_EQ(recorded["fenced alias"],
              std::tuple(AliasStatus::unreadable, EACCES, "its target couldn't be looked for"));
    EXPECT_EQ(
        recorded["damaged alias"],
        std::tuple(AliasStatus::broken, 0, "its bookmark data is damaged or of an unknown kind"));
    EXPECT_EQ(recorded.count("vanished"), 0u);
    EXPECT_TRUE(recorder.broken().empty()); // nothing to search for: none was found missing
}

TEST(AliasScannerFrame, FolderThatCannotBeWalkedAnswersNotFoundOnce) {
    MemoryAliasPlatform platform;
    platform.addAlias("x");
    ScanRun run(platform, false, false, "/elsewhere");
    EXPECT_EQ(run.responder.notFound, 1);
    EXPECT_EQ(run.responder.finished, 0);
    EXPECT_EQ(run.report->reportText, "");
    EXPECT_EQ(run.report->aliasCount, 0);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"walk /elsewhere"}));
}

TEST(AliasScannerFrame, FinishedScanAnswersOnceAndRootGivesSingleSlashPaths) {
    MemoryAliasPlatform platform;
    platform.folder = "/";
    platform.addAlias("x");
    ScanRun run(platform);
    EXPECT_EQ(run.responder.finished, 1);
    EXPECT_EQ(run.responder.notFound, 0);
    EXPECT_EQ(run.responder.report, run.report);
    EXPECT_EQ(run.report->brokenPaths, std::vector<std::string>{"/x"});
    EXPECT_EQ(run.lines()[0], "Scan of all Finder Aliases in the folder /:");
}

TEST(AliasScannerFrame, ExceptionMidWalkStillAnswersWithThePartialReportAndSaysSo) {
    struct Throwing : MemoryAliasPlatform {
        ReadResult<FileUrl> resolveBookmarkData(const BookmarkData& data, std::uint32_t options,
                                                bool& isStale) override {
            if (text(data) == "bookmark of b")
                throw std::bad_alloc();
            return MemoryAliasPlatform::resolveBookmarkData(data, options, isStale);
        }
    } platform;
    platform.addAlias("a");
    platform.addAlias("b");
    platform.addAlias("c");
    ScanRun run(platform);
    EXPECT_EQ(run.responder.finished, 1);
    EXPECT_EQ(run.responder.notFound, 0);
    EXPECT_EQ(run.report->brokenPaths, std::vector<std::string>{"/f/a"});
    EXPECT_EQ(run.report->problemCount, 1);
    EXPECT_EQ(run.lines()[2], "Couldn't finish the scan: it stopped at /f/b");
    EXPECT_EQ(run.lines()[3], "Aliases found broken:");
}

TEST(AliasScannerFrame, TrailingSlashOfTheFolderIsDropped) {
    const ScanOptions options = scanOptionsForFolder("/f//");
    EXPECT_EQ(options.folderPath, "/f");
    EXPECT_EQ(options.folderURL.path, "/f");
    EXPECT_TRUE(options.folderURL.isDirectory);
}

} // namespace
} // namespace korvex::test
