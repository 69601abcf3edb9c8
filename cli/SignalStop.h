#pragma once

#include "linux/FileDescriptor.h"

#include <atomic>
#include <stop_token>
#include <thread>

namespace korvex {

/// Turns SIGINT and SIGTERM into a stop request for the scan, so that korvex-scan can end with
/// the report of what was done instead of dying mid-line. The handler only writes the signal's
/// number into a pipe (async-signal-safe); a thread of this object reads it and requests the
/// stop from ordinary code. One instance at a time; the previous handlers come back when it
/// goes.
class SignalStop {
public:
    SignalStop();
    ~SignalStop();
    SignalStop(const SignalStop&) = delete;
    SignalStop& operator=(const SignalStop&) = delete;

    /// False when the pipe or the handlers could not be set up: signals then end the
    /// process as usual.
    bool active() const { return active_; }

    std::stop_token token() const { return source_.get_token(); }

    /// The signal that asked for the stop, 0 while none has.
    int signal() const { return signal_.load(); }

    /// The exit status for a run stopped by `signal()`: 128 + its number (130, 143).
    int exitStatus() const { return 128 + signal(); }

private:
    void watch();

    std::stop_source source_;
    std::atomic<int> signal_{0};
    FileDescriptor readEnd_; // the pipe the handler writes into
    FileDescriptor writeEnd_;
    bool active_ = false;
    std::thread watcher_;
};

} // namespace korvex
