#pragma once

#include <condition_variable>
#include <cstdint>
#include <list>
#include <mutex>

#include "platform/Clock.h"

namespace platform {

// A clock whose time moves only when every thread of the show waits on it.
//
// Show threads are the threads started with startThread() plus any thread
// that holds a Participant. The clock counts how many of them are busy (not
// waiting through the clock). Time moves:
//   - Manual:   when a test calls advanceBy(); it steps from deadline to
//               deadline, letting the threads due at each one run until they
//               are all idle again, so a timer due at 500 runs at exactly 500.
//   - WhenIdle: by itself, to the earliest deadline, as soon as no show thread
//               is busy. A whole show then runs as fast as the machine allows
//               and every frame still gets its exact virtual time (export).
// A thread that is not a show thread may wait too, but it is not counted, so
// time can move while it runs.
class VirtualClock final : public Clock {
  public:
    enum class Advance { Manual, WhenIdle };

    explicit VirtualClock(Advance mode = Advance::Manual, Millis start = 0);
    ~VirtualClock() override;

    Millis nowMs() override;
    void sleepMs(Millis ms) override;
    std::unique_ptr<ClockEvent> createEvent(EventReset reset) override;
    std::thread startThread(std::string name, std::function<void()> body) override;
    void joinThread(std::thread& thread) override;

    // Manual mode: moves time forward by ms (see above). Returns when the show
    // threads are idle at the new time.
    void advanceBy(Millis ms);
    // Blocks until no show thread is busy.
    void waitUntilIdle();
    // Show threads that are busy right now.
    int busyThreads();

    // Counts the calling thread as a show thread while it lives.
    class Participant {
      public:
        explicit Participant(VirtualClock& clock);
        ~Participant();
        Participant(const Participant&) = delete;
        Participant& operator=(const Participant&) = delete;

      private:
        VirtualClock& clock_;
        VirtualClock* previous_;
    };

  private:
    class Event;
    struct Waiter {
        std::uint64_t deadline;  // kNoDeadline: waits for its event only
        Event* event;            // null for a plain sleep
        bool participant;
        bool released = false;
        bool signalled = false;
    };
    static constexpr std::uint64_t kNoDeadline = UINT64_MAX;

    // All private members below expect mutex_ to be held.
    bool callerIsParticipant() const;
    bool waitLocked(std::unique_lock<std::mutex>& lock, std::uint64_t deadline, Event* event);
    void release(Waiter* waiter, bool signalled);
    void threadBecameIdle();
    void advanceToNextDeadlineIfIdle();
    Waiter* earliestTimedWaiter();
    void signalLocked(Event* event);
    void resetLocked(Event* event);
    bool waitEvent(Event* event, Millis timeoutMs);

    const Advance mode_;
    std::mutex mutex_;  // one lock for the clock, its events and waiters
    std::condition_variable changed_;
    std::uint64_t now_;           // guarded by mutex_
    int busy_ = 0;                // guarded by mutex_
    std::list<Waiter*> waiters_;  // guarded by mutex_, in arrival order
};

}  // namespace platform
