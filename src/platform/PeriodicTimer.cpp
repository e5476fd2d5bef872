#include "platform/PeriodicTimer.h"

namespace platform {

PeriodicTimer::PeriodicTimer(Clock& clock)
    : clock_(clock), stopRequest_(clock.createEvent(EventReset::Manual)) {}

PeriodicTimer::~PeriodicTimer() {
    stop();
}

void PeriodicTimer::start(Millis periodMs, Callback callback) {
    stop();
    std::lock_guard lock(control_);
    if (periodMs == 0) {
        periodMs = 1;
    }
    stopRequest_->reset();
    callback_ = std::move(callback);
    running_ = true;
    const Millis firstDue = clock_.nowMs() + periodMs;
    thread_ = clock_.startThread("timer", [this, firstDue, periodMs] {
        timerThread_ = std::this_thread::get_id();
        run(firstDue, periodMs);
    });
}

void PeriodicTimer::stop() {
    if (std::this_thread::get_id() == timerThread_.load()) {
        stopRequest_->set();  // the thread ends after the callback returns
        return;
    }
    std::lock_guard lock(control_);
    stopRequest_->set();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
        clock_.joinThread(thread_);
        timerThread_ = std::thread::id{};
    }
    running_ = false;
}

void PeriodicTimer::run(Millis due, Millis periodMs) {
    for (;;) {
        const Millis now = clock_.nowMs();
        const auto remaining = static_cast<std::int32_t>(due - now);
        if (stopRequest_->wait(remaining > 0 ? static_cast<Millis>(remaining) : 0)) {
            break;
        }
        callback_();
        due += periodMs;
        // A callback that overran more than a period does not cause a burst
        // of catch-up calls: the schedule restarts from now.
        if (static_cast<std::int32_t>(due - clock_.nowMs()) <
            -static_cast<std::int32_t>(periodMs)) {
            due = clock_.nowMs() + periodMs;
        }
    }
}

}  // namespace platform
