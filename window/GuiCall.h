#pragma once

#include <QEvent>

#include <functional>

class QObject;
class QThreadPool;

namespace korvex {

/// A call handed from a scan's thread to the GUI thread, as an event posted to a GUI object,
/// which passes it to `run` (see `ViewController::customEvent`). A receiver that goes first
/// takes its pending calls with it, unrun.
///
/// Qt's event queue orders the hand-over, but its locks live in Qt's own libraries, which
/// ThreadSanitizer cannot see into; so the hand-over is announced to it too (`handOver`,
/// `takeOver`): whatever the posting thread wrote before `post` counts as done before `run`.
/// Outside such a build the announcements are nothing.
class GuiCall : public QEvent {
public:
    explicit GuiCall(std::function<void()> call);

    /// The event type of every GuiCall.
    static QEvent::Type callType();

    /// Posts `call` to `receiver`, which must be alive now.
    static void post(QObject* receiver, std::function<void()> call);

    /// Runs the call; on the receiver's thread.
    void run();

    /// Runs `call` on one of `pool`'s threads, announced the same way: whatever this thread
    /// wrote before `start` counts as done before `call` runs.
    static void start(QThreadPool& pool, std::function<void()> call);

    /// Announces that the objects at `address` are handed to another thread...
    static void handOver(const void* address);
    /// ... and, on that thread, that they have been taken over.
    static void takeOver(const void* address);

private:
    std::function<void()> call_;
};

} // namespace korvex
