#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/Clock.h"

namespace platform {

// Range of periods the timer service grants, like timeGetDevCaps.
struct TimerPeriodRange {
    Millis minimum = 1;
    Millis maximum = 1'000'000;
};

// A periodic timer on its own thread, standing in for the multimedia timer
// service: after start(period, callback) the callback runs at start + period,
// start + 2 * period, ... until stop(). Times come from the clock, so on a
// virtual clock a 500 ms timer fires at exactly 500, 1000, 1500.
class PeriodicTimer {
  public:
    using Callback = std::function<void()>;

    explicit PeriodicTimer(Clock& clock);
    ~PeriodicTimer();  // stops; must not run on the timer's own thread
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    static TimerPeriodRange periodRange() { return {}; }

    // Starts (or restarts) the timer. A period of 0 counts as 1 ms.
    void start(Millis periodMs, Callback callback);

    // Stops the timer. When the callback is running at that moment, waits
    // until it has returned, so nothing it touches is used after stop().
    // Called from inside the callback it only asks the timer to end.
    void stop();

    bool isRunning() const { return running_.load(); }

  private:
    void run(Millis firstDue, Millis periodMs);

    Clock& clock_;
    std::mutex control_;  // serialises start() and stop()
    std::unique_ptr<ClockEvent> stopRequest_;
    Callback callback_;   // written before the thread starts
    std::thread thread_;  // owned by the controlling thread
    std::atomic<bool> running_{false};
    std::atomic<std::thread::id> timerThread_{};  // id of the thread running callbacks
};

}  // namespace platform
