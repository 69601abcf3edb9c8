#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string_view>
#include <thread>

namespace korvex {

/// Every thread of the engine and of korvex-scan is started here, and a start never throws: a
/// thread the system refuses (no processes left under RLIMIT_NPROC, no address space for its
/// stack) is no thread, and the caller does with the ones it has (fewer helpers, then none).
/// Whoever does with fewer says so through `tellShortage`, which a listener (korvex-scan's
/// standard error) hears.
class ThreadStart {
public:
    /// Starts `body` on a new thread held by `into` (which holds none). False when the system
    /// refused it: `into` stays empty and `lastError()` says why.
    static bool start(std::thread& into, std::function<void()> body) noexcept;

    /// The error (errno value) of the last start refused in this process; 0 when none was.
    static int lastError() noexcept;

    /// Hears of work done with fewer threads than meant: `error` says why the others were
    /// refused, `doing` what is done with `threads` threads (the caller's own included).
    using Listener = std::function<void(int error, std::string_view doing, std::size_t threads)>;
    /// Sets the listener (empty: none) and gives back the one set before.
    static Listener setListener(Listener listener);
    /// Tells the listener, if there is one, that `doing` ("scanning", "searching") is done with
    /// `threads` threads because later starts were refused. `doing` is marked for the catalogue
    /// under "ThreadStart", where a listener looks it up.
    static void tellShortage(std::string_view doing, std::size_t threads);

    /// For tests: the starts from the `n`th from now on (0: the next one) are refused, as a
    /// system out of processes refuses them (EAGAIN); none: every start is tried again.
    static void refuseFrom(std::optional<std::size_t> n) noexcept;
};

} // namespace korvex
