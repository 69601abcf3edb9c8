#pragma once

#include "FileDescriptor.h"
#include "StopFlag.h"

#include <atomic>
#include <stop_token>
#include <thread>

namespace korvex {

/// Turns SIGINT and SIGTERM into a stop of the scan, so that korvex-scan can end with the
/// report of what was done instead of dying mid-line. The handler itself raises the stop flag
/// (a lock-free atomic: async-signal-safe), so the very next look of the scan sees it, before
/// its next write; it also puts the usual handlers back (a second signal ends the process as
/// usual) and writes the signal's number into a pipe, from which a thread of this object
/// requests the stop from ordinary code: that wakes whatever waits. One instance at a time;
/// the previous handlers come back when it goes.
class SignalStop {
public:
    SignalStop();
    ~SignalStop();
    SignalStop(const SignalStop&) = delete;
    SignalStop& operator=(const SignalStop&) = delete;

    /// False when the pipe or the handlers could not be set up: signals then end the
    /// process as usual.
    bool active() const { return active_; }

    /// False when the thread that wakes waits could not be started (the system gave none):
    /// a signal is still seen between entries and before writes, but nothing that waits for
    /// another thread hears of it, so the work had better be done without helper threads.
    bool wakesWaits() const { return watcher_.joinable(); }

    /// The stop: the handler's flag, and the token the thread requests.
    StopFlag stop() const;
    std::stop_token token() const { return source_.get_token(); }

    /// The signal that asked for the stop, 0 while none has.
    int signal() const;

    /// The exit status for a run stopped by `signal()`: 128 + its number (130, 143).
    int exitStatus() const { return 128 + signal(); }

private:
    void watch();

    std::stop_source source_;
    FileDescriptor readEnd_; // the pipe the handler writes into
    FileDescriptor writeEnd_;
    bool active_ = false;
    std::thread watcher_;
};

} // namespace korvex
