#include "SignalStop.h"

#include "ThreadStart.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace korvex {

namespace {

// What the handler touches: lock-free atomics and plain data written before it is installed.
static_assert(std::atomic<int>::is_always_lock_free);
std::atomic<bool> raised{false};
std::atomic<int> firstSignal{0};
int writeEnd = -1;
struct sigaction previousInterrupt, previousTerminate;

extern "C" void onStopSignal(int number) {
    const int saved = errno;
    int none = 0;
    firstSignal.compare_exchange_strong(none, number); // the first decides the exit status
    raised.store(true);
    // A second signal works as usual: a scan stuck on a slow disk can still be killed.
    ::sigaction(SIGINT, &previousInterrupt, nullptr);
    ::sigaction(SIGTERM, &previousTerminate, nullptr);
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &byte, 1);
    errno = saved;
}

} // namespace

SignalStop::SignalStop() {
    raised.store(false);
    firstSignal.store(0);
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return;
    }
    readEnd_.reset(ends[0]);
    writeEnd_.reset(ends[1]);
    // The handler must never block: a pipe that nobody reads (see below) takes no more.
    ::fcntl(ends[1], F_SETFL, ::fcntl(ends[1], F_GETFL) | O_NONBLOCK);
    writeEnd = ends[1];
    // Started before the handlers: when the system gives no thread, the handlers still raise
    // the flag (and the pipe, read by nobody, takes the byte).
    ThreadStart::start(watcher_, [this] { watch(); });
    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    action.sa_flags = SA_RESTART;
    if (::sigaction(SIGINT, &action, &previousInterrupt) != 0 ||
        ::sigaction(SIGTERM, &action, &previousTerminate) != 0) {
        ::sigaction(SIGINT, &previousInterrupt, nullptr);
        return;
    }
    active_ = true;
}

SignalStop::~SignalStop() {
    if (active_) {
        ::sigaction(SIGINT, &previousInterrupt, nullptr);
        ::sigaction(SIGTERM, &previousTerminate, nullptr);
    }
    if (watcher_.joinable()) {
        const unsigned char wake = 0; // not a signal: the watcher ends
        [[maybe_unused]] const ssize_t written = ::write(writeEnd_.get(), &wake, 1);
        watcher_.join();
    }
    writeEnd = -1;
}

StopFlag SignalStop::stop() const {
    return StopFlag(source_.get_token(), raised);
}

int SignalStop::signal() const {
    return firstSignal.load();
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
        source_.request_stop(); // wakes every wait that listens to the token
    }
}

} // namespace korvex
