// The ring between the walk's lister, its helpers and the caller, with a fake classifier and
// no tree: every entry handed out once, in order, with its own answer; answered entries never
// classified; folders let go of once taken; a stop wakes every sleeper.

#include "EntryRing.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace korvex {
namespace {

using Slot = EntryRing::Slot;

/// A folder for the ring, which only compares and holds them: `owner` counts who holds it.
std::shared_ptr<const FolderListing> fakeFolder(const std::shared_ptr<int>& owner, int which) {
    static char places[16];
    return {owner, reinterpret_cast<const FolderListing*>(&places[which])};
}

/// Fills the next slot with entry `n` (its name is its number) and publishes it.
void publishEntry(EntryRing& ring, std::size_t n, std::shared_ptr<const FolderListing> folder,
                  bool answered) {
    Slot& slot = ring.slotToFill();
    slot.relative = std::to_string(n);
    slot.folder = std::move(folder);
    slot.index = static_cast<std::uint32_t>(n);
    slot.unreadable = false;
    slot.answered = answered;
    slot.result = answered ? ReadResult<std::string_view>("answered")
                           : ReadResult<std::string_view>(ReadFailure::gone());
    ring.publish();
}

// The walk's threads in miniature: a producer that publishes `total` entries (every seventh
// answered, the folder changing every 40) and classifies too, `helpers` classifiers, and the
// caller taking them. The classifier answers an entry with its own name.
TEST(EntryRingWalkTest, HandsOutEveryEntryOnceInOrderWithItsOwnAnswer) {
    for (const std::size_t helpers : {0, 1, 3}) {
        constexpr std::size_t total = 5 * EntryRing::capacity + 123;
        EntryRing ring;
        auto owner = std::make_shared<int>(0);
        std::vector<std::atomic<int>> classified(total);
        auto classify = [&](Slot& slot) {
            classified[std::stoul(slot.relative)].fetch_add(1, std::memory_order_relaxed);
            slot.result = std::string_view(slot.relative);
        };
        auto answeredAhead = [](std::size_t n) { return n % 7 == 3; };

        std::thread producer([&] {
            std::size_t next = 0;
            std::size_t cursor = 0;
            while (!ring.stopping()) {
                const std::size_t seen = ring.consumed();
                ring.releaseConsumed(seen);
                std::size_t inRing = ring.produced() - seen;
                bool progressed = false;
                bool unanswered = false;
                for (int i = 0; i < 256 && next < total; ++i) {
                    inRing = ring.produced() - ring.consumed();
                    if (inRing >= EntryRing::capacity) {
                        break;
                    }
                    publishEntry(ring, next, fakeFolder(owner, static_cast<int>(next / 40 % 16)),
                                 answeredAhead(next));
                    unanswered = unanswered || !answeredAhead(next);
                    ++next;
                    progressed = true;
                }
                if (next == total && !ring.finished()) {
                    ring.finish();
                }
                if (unanswered) {
                    ring.wakeHelper();
                }
                for (int i = 0; i < 4 && ring.classifyRun(cursor, classify); ++i) {
                    progressed = true;
                }
                if (progressed) {
                    continue;
                }
                if (ring.finished()) {
                    return;
                }
                ring.sleepProducer(seen, inRing);
            }
        });
        std::vector<std::thread> classifiers;
        for (std::size_t h = 0; h < helpers; ++h) {
            classifiers.emplace_back([&] {
                std::size_t cursor = 0;
                while (!ring.stopping()) {
                    if (ring.classifyRun(cursor, classify)) {
                        continue;
                    }
                    if (ring.finished()) {
                        return;
                    }
                    ring.sleepHelper();
                }
            });
        }

        std::size_t taken = 0;
        std::size_t wrong = 0;
        while (const Slot* slot = ring.take()) {
            const std::string expected = std::to_string(taken);
            // (Both sides views: a string on one side would make the view one of a temporary.)
            const std::string_view answer =
                answeredAhead(taken) ? std::string_view("answered") : std::string_view(expected);
            if (slot->relative != expected || !slot->result || *slot->result != answer) {
                ++wrong;
            }
            ++taken;
            ring.release();
        }
        producer.join();
        for (std::thread& thread : classifiers) {
            thread.join();
        }
        EXPECT_EQ(taken, total) << helpers << " helpers";
        EXPECT_EQ(wrong, 0u) << helpers << " helpers";
        std::size_t badCounts = 0;
        for (std::size_t n = 0; n < total; ++n) {
            badCounts += classified[n].load() != (answeredAhead(n) ? 0 : 1);
        }
        EXPECT_EQ(badCounts, 0u) << helpers << " helpers: entries classified never or twice";
        ring.releaseConsumed(ring.consumed());
        EXPECT_EQ(owner.use_count(), 1) << "the ring still holds a folder it handed out";
    }
}

// A taken entry's folder goes once the producer looks (its descriptor may be needed), but a
// slot that already holds a newer entry keeps that one's folder.
TEST(EntryRingWalkTest, LetsGoOfTheFoldersOfTakenEntriesOnly) {
    EntryRing ring;
    auto first = std::make_shared<int>(0);
    auto second = std::make_shared<int>(0);
    std::size_t cursor = 0;
    auto classify = [](Slot& slot) { slot.result = std::string_view(slot.relative); };
    for (std::size_t n = 0; n < EntryRing::capacity; ++n) {
        publishEntry(ring, n, fakeFolder(first, 0), false);
    }
    while (ring.classifyRun(cursor, classify)) {
    }
    for (std::size_t n = 0; n < EntryRing::capacity; ++n) {
        ASSERT_NE(ring.take(), nullptr);
        ring.release();
    }
    EXPECT_EQ(first.use_count(), 1 + static_cast<long>(EntryRing::capacity));
    publishEntry(ring, EntryRing::capacity, fakeFolder(second, 1), false); // slot 0 again
    ring.releaseConsumed(ring.consumed());
    EXPECT_EQ(first.use_count(), 1);
    EXPECT_EQ(second.use_count(), 2) << "the newer entry lost its folder";
}

// Nothing is ever classified here: the caller waits for an entry, the helpers for work, the
// producer for room. stopWaiting ends the caller's wait, stop the others'.
TEST(EntryRingWalkTest, AStopWakesEverySleeper) {
    EntryRing ring;
    for (std::size_t n = 0; n < EntryRing::capacity; ++n) {
        publishEntry(ring, n, nullptr, false);
    }
    std::atomic<bool> callerDone{false};
    std::thread caller([&] {
        EXPECT_EQ(ring.take(), nullptr);
        callerDone = true;
    });
    std::thread producer([&] { ring.sleepProducer(ring.consumed(), EntryRing::capacity); });
    std::vector<std::thread> helpers;
    for (int h = 0; h < 2; ++h) {
        helpers.emplace_back([&] {
            while (!ring.stopping()) {
                ring.sleepHelper();
            }
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(callerDone.load());
    ring.stopWaiting();
    caller.join();
    EXPECT_TRUE(callerDone.load());
    ring.stop();
    producer.join();
    for (std::thread& helper : helpers) {
        helper.join();
    }
    EXPECT_EQ(ring.consumed(), 0u);
}

} // namespace
} // namespace korvex
