#include "GuiCall.h"

#include <QCoreApplication>
#include <QRunnable>
#include <QThreadPool>

#if defined(__SANITIZE_THREAD__)
#define KORVEX_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define KORVEX_TSAN 1
#endif
#endif

#ifdef KORVEX_TSAN
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace korvex {

namespace {

class PoolCall : public QRunnable {
public:
    explicit PoolCall(std::function<void()> call) : call_(std::move(call)) { setAutoDelete(true); }

    void run() override {
        GuiCall::takeOver(this);
        call_();
    }

private:
    std::function<void()> call_;
};

} // namespace

GuiCall::GuiCall(std::function<void()> call) : QEvent(callType()), call_(std::move(call)) {}

QEvent::Type GuiCall::callType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

void GuiCall::post(QObject* receiver, std::function<void()> call) {
    auto* event = new GuiCall(std::move(call));
    handOver(event);
    QCoreApplication::postEvent(receiver, event);
}

void GuiCall::run() {
    takeOver(this);
    if (call_) {
        call_();
    }
}

void GuiCall::start(QThreadPool& pool, std::function<void()> call) {
    auto* job = new PoolCall(std::move(call));
    handOver(job);
    pool.start(job);
}

void GuiCall::handOver([[maybe_unused]] const void* address) {
#ifdef KORVEX_TSAN
    __tsan_release(const_cast<void*>(address));
#endif
}

void GuiCall::takeOver([[maybe_unused]] const void* address) {
#ifdef KORVEX_TSAN
    __tsan_acquire(const_cast<void*>(address));
#endif
}

} // namespace korvex
