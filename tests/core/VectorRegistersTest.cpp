// The vector registers' upper halves left in use by code before the scan (Qt's) must not slow
// the scan: its threads start, and its work goes on, with them cleared.
#include "VectorRegisters.h"
#include "ProgressPacer.h"
#include "ScanHarness.h"
#include "ThreadStart.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace korvex::test {
namespace {

/// Leaves the upper half of YMM0 in use, as a library function without `vzeroupper` does.
void dirty() {
#if defined(__x86_64__) || defined(__i386__)
    __asm__ volatile("vpcmpeqd %%ymm0, %%ymm0, %%ymm0" ::: "xmm0");
#endif
}

/// Skips unless this CPU tells whether the upper halves are in use, and `dirty` marks them.
bool canWatch() {
    if (!VectorRegisters::canTell()) {
        return false;
    }
    dirty();
    const bool marked = VectorRegisters::upperHalvesInUse();
    VectorRegisters::clearUpperHalves();
    return marked && !VectorRegisters::upperHalvesInUse();
}

/// Notes at every entry whether the upper halves were in use while it was examined.
class WatchingPlatform : public MemoryAliasPlatform {
public:
    std::vector<bool> inUse;

    ReadResult<std::string_view> typeIdentifier(const FileUrl& item) override {
        inUse.push_back(VectorRegisters::upperHalvesInUse());
        return MemoryAliasPlatform::typeIdentifier(item);
    }
};

/// A listener that runs code leaving the upper halves in use, as the window's does.
struct DirtyingProgress : ScanProgress {
    int heard = 0;
    void scanProgressed(const ScanProgressCounts&) override {
        ++heard;
        dirty();
    }
};

TEST(VectorRegisters, ThreadsStartAndScansGoOnWithTheUpperHalvesCleared) {
    if (!canWatch()) {
        GTEST_SKIP() << "this CPU doesn't tell whether the vector registers are in use";
    }

    // A thread started from a thread that left them in use.
    dirty();
    bool threadInUse = true;
    std::thread thread;
    ASSERT_TRUE(
        ThreadStart::start(thread, [&] { threadInUse = VectorRegisters::upperHalvesInUse(); }));
    thread.join();
    EXPECT_FALSE(threadInUse);

    // A scan started on such a thread, whose progress listener leaves them in use every time.
    WatchingPlatform platform;
    for (int i = 0; i < 600; ++i) {
        platform.addPlain("plain " + std::to_string(i));
    }
    DirtyingProgress progress;
    CountingResponder responder;
    dirty();
    AliasScanner(platform).runScan(scanOptionsForFolder(platform.folder),
                                   std::make_shared<ScanReport>(), responder, StopFlag(),
                                   &progress);
    ASSERT_EQ(platform.inUse.size(), 600u);
    EXPECT_EQ(std::count(platform.inUse.begin(), platform.inUse.end(), true), 0);

    // The pacer, told to report every 256 entries at once.
    DirtyingProgress paced;
    ProgressPacer pacer(&paced, std::chrono::nanoseconds(0));
    for (int i = 0; i < 256; ++i) {
        pacer.entry("a/b", 0);
    }
    EXPECT_EQ(paced.heard, 1);
    EXPECT_FALSE(VectorRegisters::upperHalvesInUse());
}

} // namespace
} // namespace korvex::test
