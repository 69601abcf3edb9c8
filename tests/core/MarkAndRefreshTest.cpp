// Marking broken aliases and refreshing the ones that resolve.
#include "ScanHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace korvex::test {
namespace {

TEST(MarkAlias, BrokenAliasGetsASidecarAfterTheWholeName) {
    MemoryAliasPlatform platform;
    platform.addAlias("dir/Report.pdf alias.pdf");
    ScanRun run(platform, true, true);
    const std::string sidecar = "/f/dir/Report.pdf alias.pdf-korvex-broken.text";
    ASSERT_EQ(platform.texts.count(sidecar), 1u);
    EXPECT_EQ(platform.texts[sidecar], "Optional([\"_NSURLPathKey\": \"\"])\n");
    EXPECT_TRUE(platform.bookmarks.empty()); // a broken alias is never refreshed
    EXPECT_EQ(run.report->rewrittenCount, 0);
}

TEST(MarkAlias, PropertiesThatCannotBeHadWriteNil) {
    MemoryAliasPlatform platform;
    platform.addAlias("x");
    platform.fail.properties = true;
    ScanRun run(platform, true);
    EXPECT_EQ(platform.texts["/f/x-korvex-broken.text"], "nil\n");
    EXPECT_EQ(run.report->reportText.find("Couldn't"), std::string::npos);
}

TEST(RefreshAlias, MarkThenRefreshFromTheOldData) {
    MemoryAliasPlatform platform;
    platform.addAlias("x", "/t/x");
    ScanRun run(platform, true, true);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{
                                  "walk /f",
                                  "type /f/x",
                                  "read /f/x",
                                  "resolve bookmark of x options 768 stale-in",
                                  "make /t/x options 1024 from bookmark of x",
                                  "properties NSURLBookmarkAllPropertiesKey bookmark of x",
                                  "writeText /f/x-korvex-rewrite.text",
                                  "writeBookmark /f/x",
                              }));
    EXPECT_EQ(platform.texts["/f/x-korvex-rewrite.text"],
              "Optional([\"_NSURLPathKey\": \"/t/x\"])\n");
    EXPECT_EQ(text(platform.bookmarks["/f/x"]), "fresh bookmark of /t/x");
    EXPECT_EQ(run.report->rewrittenCount, 1);
    EXPECT_EQ(run.report->reportText.find("Couldn't"), std::string::npos);
}

TEST(RefreshAlias, DataAlreadyUpToDateIsNeitherMarkedNorWrittenNorCounted) {
    MemoryAliasPlatform platform;
    platform.upToDate.insert(platform.addAlias("same", "/t/same"));
    platform.addAlias("x", "/t/x");
    platform.texts["/f/same-korvex-rewrite.text"] = "what the Mac wrote\n";
    ScanRun run(platform, true, true);
    EXPECT_EQ(platform.texts["/f/same-korvex-rewrite.text"], "what the Mac wrote\n");
    EXPECT_EQ(platform.bookmarks.count("/f/same"), 0u);
    EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), "writeBookmark /f/same"), 0);
    EXPECT_EQ(platform.bookmarks.count("/f/x"), 1u);
    EXPECT_EQ(run.report->rewrittenCount, 1);
    EXPECT_EQ(run.report->reportText.find("Couldn't"), std::string::npos);
}

TEST(RefreshAlias, UnwritableSidecarDoesNotStopTheRefresh) {
    MemoryAliasPlatform platform;
    platform.addAlias("x", "/t/x");
    platform.unwritable = {"/f/x-korvex-rewrite.text"};
    ScanRun run(platform, true, true);
    EXPECT_EQ(run.lines()[2],
              "Couldn't write /f/x-korvex-rewrite.text: " + std::string(std::strerror(EACCES)));
    EXPECT_EQ(run.report->rewrittenCount, 1);
}

TEST(RefreshAlias, FailuresToMakeOrWriteGiveOneRefreshLine) {
    for (bool failMake : {true, false}) {
        MemoryAliasPlatform platform;
        platform.addAlias("x", "/t/x");
        platform.addAlias("y", "/t/y");
        if (failMake) {
            platform.fail.make = true;
        } else {
            platform.unwritable = {"/f/x", "/f/y"};
        }
        ScanRun run(platform, false, true);
        const std::vector<std::string> lines = run.lines();
        // The reason: why no data could be made, or the system's for the write.
        const std::string reason =
            failMake ? "no bookmark data can be made for its target" : std::strerror(EACCES);
        EXPECT_EQ(lines[2], "Couldn't refresh /f/x: " + reason) << failMake;
        EXPECT_EQ(lines[3], "Couldn't refresh /f/y: " + reason) << failMake;
        EXPECT_EQ(lines[4], "Aliases found broken:");
        EXPECT_EQ(run.report->rewrittenCount, 0);
        EXPECT_TRUE(platform.bookmarks.empty());
    }
}

TEST(RefreshAlias, WithoutMarkNoSidecarAndTheRewriteCountStandsInTheSummary) {
    MemoryAliasPlatform platform;
    platform.addAlias("x", "/t/x");
    platform.addAlias("y", "/t/y");
    platform.addAlias("z");
    ScanRun run(platform, false, true);
    EXPECT_TRUE(platform.texts.empty());
    EXPECT_EQ(run.report->rewrittenCount, 2);
    EXPECT_NE(run.report->reportText.find("Found 1 broken Aliases, and rewrote 2, out of 3 "),
              std::string::npos);
}

} // namespace
} // namespace korvex::test
