#include "EntryRing.h"

namespace korvex {

namespace {

inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

} // namespace

void EntryRing::publish() {
    const std::size_t at = produced();
    Slot& slot = slots_[at % capacity];
    // An entry already answered is done as it is handed out: no helper will say so, so the
    // producer wakes a consumer that waits for it.
    const bool answered = (slot.unreadable && !slot.folder) || slot.answered;
    slot.state.store(stateOf(at, answered ? done : pending), std::memory_order_release);
    produced_.store(at + 1, std::memory_order_release);
    if (answered) {
        wakeConsumer(at);
    }
}

void EntryRing::releaseConsumed(std::size_t upTo) {
    // Only the producer fills slots, so `produced_` is exact here; a slot whose entry has been
    // followed by a newer one already dropped the old folder and must keep the new one.
    const std::size_t produced = produced_.load(std::memory_order_relaxed);
    for (; released_ < upTo; ++released_) {
        if (released_ + capacity >= produced) {
            slots_[released_ % capacity].folder.reset();
        }
    }
}

void EntryRing::finish() {
    finished_.store(true);
    { std::lock_guard lock(consumerMutex_); }
    { std::lock_guard lock(helperMutex_); }
    consumerCv_.notify_all();
    helperCv_.notify_all();
}

// Each waiting side sets its flag and then looks at the counters; each waking side changes
// the counters and then looks at the flag. The fences keep either from missing the other.
void EntryRing::wakeConsumer(std::size_t completed) {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (consumerWaiting_.load() &&
        (consumerWaitsFor_.load() == completed || consumerWaitsUntil_.load() == completed)) {
        { std::lock_guard lock(consumerMutex_); }
        consumerCv_.notify_one();
    }
}

void EntryRing::wakeProducer() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (producerWaiting_.load() && consumed_.load() >= producerWakeAt_.load()) {
        { std::lock_guard lock(producerMutex_); }
        producerCv_.notify_one();
    }
}

// One helper at a time: a helper that finds the disk slow wakes the next (see the walk's
// helpers), so a tree in memory keeps few of them busy and a cold one soon has them all asking
// the disk.
void EntryRing::wakeHelper() {
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (helpersWaiting_.load() > 0 && produced_.load() >= helperWakeAt_.load()) {
        { std::lock_guard lock(helperMutex_); }
        helperCv_.notify_one();
    }
}

void EntryRing::sleepProducer(std::size_t seen, std::size_t inRing) {
    std::unique_lock lock(producerMutex_);
    producerWakeAt_.store(seen + std::max<std::size_t>(1, inRing / 2));
    producerWaiting_.store(true);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    producerCv_.wait(lock,
                     [&] { return stop_.load() || consumed_.load() >= producerWakeAt_.load(); });
    producerWaiting_.store(false);
}

void EntryRing::sleepHelper() {
    std::unique_lock lock(helperMutex_);
    helperWakeAt_.store(produced_.load() + helperBatch);
    helpersWaiting_.fetch_add(1);
    std::atomic_thread_fence(std::memory_order_seq_cst);
    helperCv_.wait(lock, [&] {
        return stop_.load() || finished_.load() || produced_.load() >= helperWakeAt_.load();
    });
    helpersWaiting_.fetch_sub(1);
}

bool EntryRing::ready(std::size_t index) const {
    return (produced_.load(std::memory_order_acquire) > index &&
            slots_[index % capacity].state.load(std::memory_order_acquire) ==
                stateOf(index, done)) ||
           (finished_.load() && produced_.load() <= index);
}

EntryRing::Slot* EntryRing::take() {
    const std::size_t at = consumed_.load(std::memory_order_relaxed);
    for (int spin = 0; spin < spinLimit && !ready(at); ++spin) {
        pause();
    }
    if (!ready(at)) {
        // Sleep until this entry and a batch after it are classified: one wake-up per batch
        // rather than per entry. Both are published already, so both will be done.
        const std::size_t listed = produced_.load(std::memory_order_acquire);
        const std::size_t until = listed > at ? std::min(at + consumerBatch, listed - 1) : at;
        std::unique_lock lock(consumerMutex_);
        consumerWaitsFor_.store(at);
        consumerWaitsUntil_.store(until);
        consumerWaiting_.store(true);
        std::atomic_thread_fence(std::memory_order_seq_cst);
        consumerCv_.wait(lock, [&] { return stopped_.load() || (ready(at) && ready(until)); });
        consumerWaiting_.store(false);
        if (!ready(at)) {
            return nullptr; // stopped: the walk ends here
        }
    }
    if (produced_.load(std::memory_order_acquire) == at) {
        return nullptr;
    }
    return &slots_[at % capacity];
}

void EntryRing::release() {
    consumed_.fetch_add(1);
    wakeProducer();
}

void EntryRing::stop() {
    stop_.store(true);
    { std::lock_guard lock(producerMutex_); }
    { std::lock_guard lock(helperMutex_); }
    producerCv_.notify_all();
    helperCv_.notify_all();
}

void EntryRing::stopWaiting() {
    stopped_.store(true);
    { std::lock_guard lock(consumerMutex_); }
    consumerCv_.notify_all();
}

} // namespace korvex
