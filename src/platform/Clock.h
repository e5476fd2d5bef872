#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace platform {

// Milliseconds on the monotonic show clock. Wraps after 49.7 days like the
// multimedia clock it replaces; compare times by subtracting them.
using Millis = std::uint32_t;

class Clock;

// A waitable event like the platform events the show uses: auto-reset events
// let exactly one waiter through per set(); manual-reset events stay set until
// reset(). Waits go through the clock, so a virtual clock can tell when every
// thread of the show is idle.
class ClockEvent {
  public:
    virtual ~ClockEvent() = default;
    virtual void set() = 0;
    virtual void reset() = 0;
    // Waits until the event is set or timeoutMs have passed on the clock.
    // Returns true when the event was set. kWaitForever never times out.
    virtual bool wait(Millis timeoutMs) = 0;

    static constexpr Millis kWaitForever = 0xFFFFFFFFu;
};

enum class EventReset { Auto, Manual };

// Time passes in one place: every thread of the show reads the time, sleeps,
// waits on events and is started through its Clock. The system clock is the
// real one; the virtual clock (VirtualClock.h) makes a whole show
// deterministic for tests and for export.
class Clock {
  public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary start, like timeGetTime.
    virtual Millis nowMs() = 0;
    virtual void sleepMs(Millis ms) = 0;
    virtual std::unique_ptr<ClockEvent> createEvent(EventReset reset) = 0;

    // Starts a thread that belongs to the show: on a virtual clock it counts
    // as busy from this call until it waits through the clock or ends.
    virtual std::thread startThread(std::string name, std::function<void()> body) = 0;

    // Waits for a thread to end. On a virtual clock time does not move
    // meanwhile: stop a show thread through an event it waits on, never by
    // letting it sleep its way out.
    virtual void joinThread(std::thread& thread) = 0;
};

// Lowers the calling thread to idle priority: it only gets the processor
// when nothing else wants it.
void lowerCurrentThreadToIdlePriority();

// Names the calling thread for debuggers and `top -H` (at most 15 characters
// are kept).
void nameCurrentThread(const std::string& name);

}  // namespace platform
