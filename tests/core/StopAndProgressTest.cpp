// Stopping a scan between entries, and how often a scan tells its progress.
#include "ProgressPacer.h"
#include "ScanHarness.h"

#include <gtest/gtest.h>

#include <chrono>

namespace korvex::test {
namespace {

/// Requests the stop while the entry `stopAt` is being examined, as a Stop button pressed
/// at that moment would.
class StoppingPlatform : public MemoryAliasPlatform {
public:
    std::stop_source source;
    std::string stopAt;

    ReadResult<std::string_view> typeIdentifier(const FileUrl& item) override {
        if (item.path == folder + "/" + stopAt)
            source.request_stop();
        return MemoryAliasPlatform::typeIdentifier(item);
    }
};

struct Recorder : ScanProgress {
    std::vector<ScanProgressCounts> heard;
    std::vector<std::string> folders;
    void scanProgressed(const ScanProgressCounts& counts) override {
        heard.push_back(counts);
        folders.emplace_back(counts.folder);
    }
};

TEST(StoppedScan, EntryAtHandIsCountedNoneAfterItIsExaminedAndNoWriteStartsAfterTheStop) {
    // stopAt: the entry during which the stop comes; the calls and report that follow. The
    // entry at hand is still counted, but its sidecar, not yet begun, is not written.
    struct Case {
        std::string stopAt;
        int aliases, broken;
        std::vector<std::string> sidecars;
    };
    const Case cases[] = {
        {"1 broken", 1, 1, {}},
        {"2 plain", 1, 1, {"/f/1 broken-korvex-broken.text"}},
        {"3 broken", 2, 2, {"/f/1 broken-korvex-broken.text"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stopAt);
        StoppingPlatform platform;
        platform.addAlias("1 broken");
        platform.addPlain("2 plain");
        platform.addAlias("3 broken");
        platform.addAlias("4 broken");
        platform.stopAt = c.stopAt;

        CountingResponder responder;
        auto report = std::make_shared<ScanReport>();
        AliasScanner(platform).runScan(scanOptionsForFolder("/f", true, false), report, responder,
                                       platform.source.get_token());

        ASSERT_EQ(responder.finished, 1);
        EXPECT_TRUE(report->stopped);
        EXPECT_EQ(report->aliasCount, c.aliases);
        EXPECT_EQ(report->brokenCount, c.broken);
        std::vector<std::string> written;
        for (const auto& [path, text] : platform.texts)
            written.push_back(path);
        EXPECT_EQ(written, c.sidecars);
        // The last call of the scan belongs to the entry at hand.
        bool after = false;
        for (const std::string& call : platform.calls) {
            if (call == "type /f/" + c.stopAt) {
                after = true;
            } else if (after) {
                EXPECT_EQ(call.find("type "), std::string::npos) << call;
            }
        }
        // The partial report: the line just before the summary.
        const std::string& text = report->reportText;
        EXPECT_NE(text.find("\n\nStopped before the end of the folder.\nFound " +
                            std::to_string(c.broken) + " broken Aliases"),
                  std::string::npos)
            << text;
    }
}

TEST(StoppedScan, StopBeforeTheFirstEntryStillAnswersWithAReport) {
    MemoryAliasPlatform platform;
    platform.addAlias("a");
    std::stop_source source;
    source.request_stop();
    CountingResponder responder;
    auto report = std::make_shared<ScanReport>();
    AliasScanner(platform).runScan(scanOptionsForFolder("/f", false, false), report, responder,
                                   source.get_token());
    EXPECT_EQ(responder.finished, 1);
    EXPECT_EQ(report->aliasCount, 0);
    EXPECT_NE(report->reportText.find("Stopped before the end of the folder."), std::string::npos);
}

TEST(StoppedScan, ScanThatIsNotStoppedSaysNothingOfIt) {
    MemoryAliasPlatform platform;
    platform.addAlias("a");
    ScanRun run(platform);
    EXPECT_FALSE(run.report->stopped);
    EXPECT_EQ(run.report->reportText.find("Stopped"), std::string::npos);
}

TEST(ScanProgressPacing, ClockIsAskedEvery256EntriesAndTheIntervalHolds) {
    using namespace std::chrono_literals;
    // interval; entries fed; calls heard before finish().
    struct Case {
        std::chrono::nanoseconds interval;
        int entries;
        std::size_t heard;
    };
    const Case cases[] = {
        {0ns, 255, 0},
        {0ns, 256, 1},
        {0ns, 1000, 3},
        {1h, 100000, 0},
    };
    for (const Case& c : cases) {
        Recorder recorder;
        ProgressPacer pacer(&recorder, c.interval);
        for (int i = 0; i < c.entries; ++i)
            pacer.entry("sub/deeper/name", i / 2);
        EXPECT_EQ(recorder.heard.size(), c.heard) << c.entries;
        pacer.finish(7);
        ASSERT_EQ(recorder.heard.size(), c.heard + 1);
        EXPECT_EQ(recorder.heard.back().entries, c.entries);
        EXPECT_EQ(recorder.heard.back().aliases, 7);
        if (c.heard > 0) {
            EXPECT_EQ(recorder.folders.front(), "sub/deeper");
        }
    }
}

TEST(ScanProgressPacing, ScanTellsTheEndCountsOnce) {
    MemoryAliasPlatform platform;
    platform.addAlias("a");
    platform.addPlain("top");
    CountingResponder responder;
    Recorder recorder;
    AliasScanner(platform).runScan(scanOptionsForFolder("/f", false, false),
                                   std::make_shared<ScanReport>(), responder, {}, &recorder);
    ASSERT_EQ(recorder.heard.size(), 1u); // two entries: far below the first look at the clock
    EXPECT_EQ(recorder.heard[0].entries, 2);
    EXPECT_EQ(recorder.heard[0].aliases, 1);
    EXPECT_EQ(recorder.folders[0], "");
}

} // namespace
} // namespace korvex::test
