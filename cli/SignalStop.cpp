#include "SignalStop.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace korvex {

namespace {

int writeEnd = -1;
struct sigaction previousInterrupt, previousTerminate;

extern "C" void onStopSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

SignalStop::SignalStop() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    readEnd_.reset(ends[0]);
    writeEnd_.reset(ends[1]);
    writeEnd = ends[1];
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGINT, &action, &previousInterrupt) != 0 ||
        ::sigaction(SIGTERM, &action, &previousTerminate) != 0) {
        ::sigaction(SIGINT, &previousInterrupt, nullptr);
        return;
    }
    active_ = true;
    watcher_ = std::thread([this] { watch(); });
}

SignalStop::~SignalStop() {
    if (active_) {
        ::sigaction(SIGINT, &previousInterrupt, nullptr);
        ::sigaction(SIGTERM, &previousTerminate, nullptr);
        const unsigned char wake = 0; // not a signal: the watcher ends
        [[maybe_unused]] const ssize_t written = ::write(writeEnd_.get(), &wake, 1);
        watcher_.join();
        writeEnd = -1;
    }
}

void SignalStop::watch() {
    for (;;) {
        unsigned char byte = 0;
        const ssize_t got = ::read(readEnd_.get(), &byte, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got != 1 || byte == 0) {
            return;
        }
        // The first signal decides the exit status. A second one should work as usual (a
        // scan stuck on a slow disk can still be killed), so the old handlers come back.
        int none = 0;
        signal_.compare_exchange_strong(none, byte);
        ::sigaction(SIGINT, &previousInterrupt, nullptr);
        ::sigaction(SIGTERM, &previousTerminate, nullptr);
        source_.request_stop();
    }
}

} // namespace korvex
