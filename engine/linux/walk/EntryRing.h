#pragma once

#include "ReadResult.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <dirent.h>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace korvex {

class FolderListing;

/// The entries of a walk on their way from the thread that lists the folders to the caller who
/// takes them in walk order, classified meanwhile by any number of helper threads.
///
/// Threads and what each may touch:
/// - one producer (the walk's lister, or the caller when the walk has no look-ahead) fills the
///   slot at `produced()` and publishes it; it alone writes a slot's entry fields (`relative`,
///   `folder`, `index`, `type`, `unreadable`, `error`, `answered`), and only while the slot is
///   free: never published, or published and then released by the consumer. It drops the folders of
///   released slots (`releaseConsumed`) before it fills them again.
/// - classifiers (the helpers and the producer) claim a published, unanswered slot by its state
///   word (pending -> claimed, one winner), write its `result`, then mark it done. Between
///   publish and release they only read the entry fields.
/// - one consumer takes the entry at `consumed()` once it is done (`take`), reads every field
///   while it holds it, and lets go (`release`); the slot is then the producer's again.
/// An entry published with its answer (`answered`, or a folder handed out as unreadable without
/// a listing) is done at once and never claimed.
///
/// Nobody spins for long: a consumer that has caught up sleeps until a batch is classified, the
/// producer until half of a full ring has been taken, helpers until a batch has been published.
/// `stop` wakes and ends the producer and the helpers; `stopWaiting` ends the consumer's wait.
class EntryRing {
public:
    /// Entries listed and classified ahead of the consumer.
    static constexpr std::size_t capacity = 4096;

    struct Slot {
        std::string relative;
        std::shared_ptr<const FolderListing> folder; ///< none: an unreadable folder, answered
        std::uint32_t index = 0;                     ///< its entry in `folder`
        unsigned char type = DT_UNKNOWN;
        bool unreadable = false; ///< a folder whose content could not be walked
        int error = 0;           ///< why not (errno), where known
        bool answered = false;   ///< examined as its folder was listed ahead: `result` holds it
        ReadResult<std::string_view> result;

    private:
        friend class EntryRing;
        std::atomic<std::uint64_t> state{~std::uint64_t{0}}; ///< stateOf(entry, ...)
    };

    EntryRing() : slots_(capacity) {}
    EntryRing(const EntryRing&) = delete;
    EntryRing& operator=(const EntryRing&) = delete;

    // --- the producer ---

    /// Entries published so far (exact on the producer's thread).
    std::size_t produced() const { return produced_.load(std::memory_order_relaxed); }
    /// The slot the next entry goes into: free once `produced() - consumed() < capacity`.
    Slot& slotToFill() { return slots_[produced() % capacity]; }
    /// Publishes the entry filled into `slotToFill()`: to the classifiers, or, answered, to the
    /// consumer at once.
    void publish();
    /// Whether the entry published last came with its answer.
    bool lastAnswered() const { return slots_[(produced() - 1) % capacity].answered; }
    /// Drops the folders of the slots released before `upTo` (and not filled again since).
    void releaseConsumed(std::size_t upTo);
    /// Nothing more will be published: the consumer ends after the last entry.
    void finish();
    /// Wakes a sleeping helper when a batch has been published since it went to sleep.
    void wakeHelper();
    /// Sleeps until the consumer has taken half of the `inRing` entries it found after `seen`,
    /// or a stop.
    void sleepProducer(std::size_t seen, std::size_t inRing);

    // --- classifiers ---

    /// Claims the next pending entry at or after `cursor` (moved past it) and the run of
    /// entries of the same folder after it (`runLength` at most), and classifies them with
    /// `classify(Slot&)`, which sets `result`. False when there was nothing to claim.
    template <typename Classify> bool classifyRun(std::size_t& cursor, Classify&& classify);
    /// Sleeps until a batch of entries has been published, the ring is finished, or a stop.
    void sleepHelper();

    // --- the consumer ---

    /// Entries taken and released so far.
    std::size_t consumed() const { return consumed_.load(); }
    /// The slot of entry `at`.
    Slot& slot(std::size_t at) { return slots_[at % capacity]; }
    /// Marks entry `at` done without a classifier: for a ring used by one thread only.
    void markDone(std::size_t at) {
        slots_[at % capacity].state.store(stateOf(at, done), std::memory_order_relaxed);
    }
    /// The next entry once it is classified (spinning a little, then sleeping); null when the
    /// ring is finished and every entry taken, or when a stop ended the wait.
    Slot* take();
    /// Lets go of the entry taken last; its slot becomes the producer's again.
    void release();

    // --- anyone ---

    bool finished() const { return finished_.load(); }
    bool stopping() const { return stop_.load(std::memory_order_relaxed); }
    /// Ends the producer and the helpers: they wake, and their loops end.
    void stop();
    /// Ends the consumer's wait: `take` answers null from then on when it would wait.
    void stopWaiting();

    /// New entries that wake the helper threads (waking them for each would cost more).
    static constexpr std::size_t helperBatch = 128;
    /// Entries of one folder a classifier classifies in a row.
    static constexpr std::size_t runLength = 16;
    /// Entries a consumer who has caught up lets the classifiers do before it wakes.
    static constexpr std::size_t consumerBatch = 256;
    /// How often a waiting consumer looks again before it sleeps (an entry takes microseconds).
    static constexpr int spinLimit = 128;

private:
    /// A slot's state word: the number of the entry it holds (slots are reused, so a state names
    /// its entry, or a thread that slept could claim the slot's next entry by mistake) and where
    /// that entry is.
    enum SlotState : std::uint64_t { pending = 0, claimed = 1, done = 2 };
    static constexpr std::uint64_t stateOf(std::size_t entry, SlotState state) {
        return std::uint64_t{entry} << 2 | state;
    }

    bool ready(std::size_t at) const;
    void wakeConsumer(std::size_t completed);
    void wakeProducer();

    std::vector<Slot> slots_;
    std::size_t released_ = 0; ///< the producer's: slots before this hold no folder any more

    std::atomic<std::size_t> produced_{0};
    std::atomic<std::size_t> claimedBefore_{0}; ///< a hint: entries before it are all claimed
    std::atomic<std::size_t> consumed_{0};
    std::atomic<bool> finished_{false};
    std::atomic<bool> stop_{false};
    std::atomic<bool> stopped_{false}; ///< the consumer waits no more
    std::atomic<bool> consumerWaiting_{false};
    std::atomic<std::size_t> consumerWaitsFor_{0};
    std::atomic<std::size_t> consumerWaitsUntil_{0};
    std::atomic<bool> producerWaiting_{false};
    std::atomic<std::size_t> producerWakeAt_{0};
    std::atomic<int> helpersWaiting_{0};
    std::atomic<std::size_t> helperWakeAt_{0};
    // One mutex per sleeper; a waker takes it only for a moment (so that the sleeper cannot be
    // between its last look and its sleep) and notifies after letting go of it.
    std::mutex consumerMutex_;
    std::mutex producerMutex_;
    std::mutex helperMutex_;
    std::condition_variable consumerCv_;
    std::condition_variable producerCv_;
    std::condition_variable helperCv_;
};

template <typename Classify> bool EntryRing::classifyRun(std::size_t& from, Classify&& classify) {
    // Every entry before the hint has been claimed already: no need to look at them again.
    from = std::max({from, consumed_.load(), claimedBefore_.load(std::memory_order_relaxed)});
    const std::size_t end = produced_.load(std::memory_order_acquire);
    while (from < end) {
        std::size_t at = from++;
        Slot* slot = &slots_[at % capacity];
        std::uint64_t expected = stateOf(at, pending);
        // A plain look first: a failed exchange would still take the slot's cache line away
        // from whoever works on it.
        if (slot->state.load(std::memory_order_relaxed) != expected ||
            !slot->state.compare_exchange_strong(expected, stateOf(at, claimed),
                                                 std::memory_order_acq_rel)) {
            continue;
        }
        // Takes the run of entries of the same folder after it too: one change of working
        // folder for all of them. (A slot's fields are only looked at once it is claimed.)
        const FolderListing* const listing = slot->folder.get();
        for (;;) {
            const bool sameFolder = slot->folder.get() == listing;
            classify(*slot);
            slot->state.store(stateOf(at, done), std::memory_order_release);
            wakeConsumer(at);
            if (!sameFolder || at + 1 >= end || at + 1 - from >= runLength) {
                break;
            }
            Slot& following = slots_[(at + 1) % capacity];
            expected = stateOf(at + 1, pending);
            if (!following.state.compare_exchange_strong(expected, stateOf(at + 1, claimed),
                                                         std::memory_order_acq_rel)) {
                break;
            }
            slot = &following;
            ++at;
        }
        from = at + 1;
        std::size_t hint = claimedBefore_.load(std::memory_order_relaxed);
        while (hint < from &&
               !claimedBefore_.compare_exchange_weak(hint, from, std::memory_order_relaxed)) {
        }
        return true;
    }
    return false;
}

} // namespace korvex
