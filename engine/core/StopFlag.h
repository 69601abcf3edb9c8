#pragma once

#include <atomic>
#include <stop_token>

namespace korvex {

/// A stop as the engine looks at it: a `std::stop_token` (a Stop button, the thread that
/// watches for signals) and, beside it, a lock-free flag that a signal handler may raise
/// itself. The flag is seen at once by the next look, however long the thread that turns the
/// signal into a stop request waits for a core; so a write that looks right before it starts
/// never starts after the signal. Waits are woken through the token (its stop callbacks).
class StopFlag {
public:
    StopFlag() = default;
    /// A stop through the token alone (the window's Stop button).
    StopFlag(std::stop_token token) : token_(std::move(token)) {} // NOLINT: a token is a stop
    /// A stop through the token or `raised`, which must outlive every copy.
    StopFlag(std::stop_token token, const std::atomic<bool>& raised)
        : token_(std::move(token)), raised_(&raised) {}

    /// Whether the stop has been asked for, one way or the other.
    bool requested() const noexcept {
        return (raised_ && raised_->load(std::memory_order_acquire)) || token_.stop_requested();
    }

    /// The token, for stop callbacks that wake waits.
    const std::stop_token& token() const noexcept { return token_; }

    // Set from a signal handler: only a lock-free atomic may be.
    static_assert(std::atomic<bool>::is_always_lock_free);

private:
    std::stop_token token_;
    const std::atomic<bool>* raised_ = nullptr;
};

} // namespace korvex
