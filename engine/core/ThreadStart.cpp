#include "ThreadStart.h"

#include "VectorRegisters.h"

#include <atomic>
#include <cerrno>
#include <mutex>
#include <system_error>

namespace korvex {

namespace {

constexpr long allowed = -1;

std::atomic<int> lastRefusal{0};
std::atomic<long> refusedAfter{allowed}; // starts left before the refusals, or `allowed`
std::mutex listenerMutex;
ThreadStart::Listener& listener() {
    static ThreadStart::Listener heard;
    return heard;
}

bool refusedForTest() noexcept {
    long left = refusedAfter.load();
    while (left != allowed) {
        if (left == 0) {
            return true;
        }
        if (refusedAfter.compare_exchange_weak(left, left - 1)) {
            return false;
        }
    }
    return false;
}

} // namespace

bool ThreadStart::start(std::thread& into, std::function<void()> body) noexcept {
    if (refusedForTest()) {
        lastRefusal.store(EAGAIN);
        return false;
    }
    try {
        // A new thread inherits its starter's vector registers: it starts with them cleared.
        into = std::thread([body = std::move(body)] {
            VectorRegisters::clearUpperHalves();
            body();
        });
        return true;
    } catch (const std::system_error& error) {
        lastRefusal.store(error.code().value() != 0 ? error.code().value() : EAGAIN);
    } catch (...) {
        lastRefusal.store(ENOMEM); // the thread's state could not even be allocated
    }
    return false;
}

int ThreadStart::lastError() noexcept {
    return lastRefusal.load();
}

ThreadStart::Listener ThreadStart::setListener(Listener heard) {
    std::lock_guard lock(listenerMutex);
    std::swap(listener(), heard);
    return heard;
}

void ThreadStart::tellShortage(std::string_view doing, std::size_t threads) {
    std::lock_guard lock(listenerMutex);
    if (listener()) {
        listener()(lastError(), doing, threads);
    }
}

void ThreadStart::refuseFrom(std::optional<std::size_t> n) noexcept {
    refusedAfter.store(n ? static_cast<long>(*n) : allowed);
}

} // namespace korvex
