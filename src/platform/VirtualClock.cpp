#include "platform/VirtualClock.h"

#include <algorithm>

namespace platform {

namespace {
// The virtual clock the calling thread belongs to as a show thread, if any.
thread_local VirtualClock* tlsShowClock = nullptr;
}  // namespace

class VirtualClock::Event final : public ClockEvent {
  public:
    Event(VirtualClock& clock, EventReset reset) : clock_(clock), reset_(reset) {}

    void set() override {
        std::lock_guard lock(clock_.mutex_);
        clock_.signalLocked(this);
    }
    void reset() override {
        std::lock_guard lock(clock_.mutex_);
        clock_.resetLocked(this);
    }
    bool wait(Millis timeoutMs) override { return clock_.waitEvent(this, timeoutMs); }

    VirtualClock& clock_;
    const EventReset reset_;
    bool signalled_ = false;  // guarded by clock_.mutex_
};

VirtualClock::VirtualClock(Advance mode, Millis start) : mode_(mode), now_(start) {}

VirtualClock::~VirtualClock() = default;

Millis VirtualClock::nowMs() {
    std::lock_guard lock(mutex_);
    return static_cast<Millis>(now_);
}

void VirtualClock::sleepMs(Millis ms) {
    std::unique_lock lock(mutex_);
    if (ms == 0) {
        return;
    }
    waitLocked(lock, now_ + ms, nullptr);
}

std::unique_ptr<ClockEvent> VirtualClock::createEvent(EventReset reset) {
    return std::make_unique<Event>(*this, reset);
}

std::thread VirtualClock::startThread(std::string name, std::function<void()> body) {
    {
        // Busy from now on, so time cannot move before the thread has run.
        std::lock_guard lock(mutex_);
        ++busy_;
    }
    return std::thread([this, name = std::move(name), body = std::move(body)] {
        nameCurrentThread(name);
        tlsShowClock = this;
        body();
        tlsShowClock = nullptr;
        std::lock_guard lock(mutex_);
        threadBecameIdle();
    });
}

void VirtualClock::joinThread(std::thread& thread) {
    if (!thread.joinable()) {
        return;
    }
    // The caller stays busy: time does not move while it waits, so a thread
    // must be able to end without time passing (wake it through an event).
    thread.join();
}

void VirtualClock::advanceBy(Millis ms) {
    std::unique_lock lock(mutex_);
    const std::uint64_t target = now_ + ms;
    for (;;) {
        changed_.wait(lock, [this] { return busy_ == 0; });
        Waiter* next = earliestTimedWaiter();
        if (next == nullptr || next->deadline > target) {
            now_ = target;
            return;
        }
        now_ = next->deadline;
        // Release every waiter due now, in arrival order.
        for (auto it = waiters_.begin(); it != waiters_.end();) {
            Waiter* waiter = *it++;
            if (waiter->deadline == now_) {
                release(waiter, false);
            }
        }
        changed_.notify_all();
    }
}

void VirtualClock::waitUntilIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return busy_ == 0; });
}

int VirtualClock::busyThreads() {
    std::lock_guard lock(mutex_);
    return busy_;
}

VirtualClock::Participant::Participant(VirtualClock& clock)
    : clock_(clock), previous_(tlsShowClock) {
    std::lock_guard lock(clock_.mutex_);
    ++clock_.busy_;
    tlsShowClock = &clock_;
}

VirtualClock::Participant::~Participant() {
    tlsShowClock = previous_;
    std::lock_guard lock(clock_.mutex_);
    clock_.threadBecameIdle();
}

bool VirtualClock::callerIsParticipant() const {
    return tlsShowClock == this;
}

bool VirtualClock::waitLocked(std::unique_lock<std::mutex>& lock, std::uint64_t deadline,
                              Event* event) {
    Waiter waiter{deadline, event, callerIsParticipant()};
    waiters_.push_back(&waiter);
    if (waiter.participant) {
        threadBecameIdle();
    } else {
        advanceToNextDeadlineIfIdle();
    }
    changed_.wait(lock, [&waiter] { return waiter.released; });
    return waiter.signalled;
}

// Wakes one waiter. A show thread counts as busy from this moment, before it
// has actually run, so that time cannot slip past it.
void VirtualClock::release(Waiter* waiter, bool signalled) {
    waiters_.remove(waiter);
    waiter->released = true;
    waiter->signalled = signalled;
    if (waiter->participant) {
        ++busy_;
    }
}

void VirtualClock::threadBecameIdle() {
    --busy_;
    advanceToNextDeadlineIfIdle();
    changed_.notify_all();
}

void VirtualClock::advanceToNextDeadlineIfIdle() {
    if (mode_ != Advance::WhenIdle || busy_ != 0) {
        return;
    }
    Waiter* next = earliestTimedWaiter();
    if (next == nullptr) {
        return;
    }
    now_ = std::max(now_, next->deadline);
    for (auto it = waiters_.begin(); it != waiters_.end();) {
        Waiter* waiter = *it++;
        if (waiter->deadline <= now_) {
            release(waiter, false);
        }
    }
    changed_.notify_all();
}

VirtualClock::Waiter* VirtualClock::earliestTimedWaiter() {
    Waiter* earliest = nullptr;
    for (Waiter* waiter : waiters_) {
        if (waiter->deadline != kNoDeadline &&
            (earliest == nullptr || waiter->deadline < earliest->deadline)) {
            earliest = waiter;
        }
    }
    return earliest;
}

void VirtualClock::signalLocked(Event* event) {
    bool releasedAny = false;
    for (auto it = waiters_.begin(); it != waiters_.end();) {
        Waiter* waiter = *it++;
        if (waiter->event != event) {
            continue;
        }
        release(waiter, true);
        releasedAny = true;
        if (event->reset_ == EventReset::Auto) {
            changed_.notify_all();
            return;  // the waiter consumed the signal
        }
    }
    event->signalled_ = true;
    if (releasedAny) {
        changed_.notify_all();
    }
}

void VirtualClock::resetLocked(Event* event) {
    event->signalled_ = false;
}

bool VirtualClock::waitEvent(Event* event, Millis timeoutMs) {
    std::unique_lock lock(mutex_);
    if (event->signalled_) {
        if (event->reset_ == EventReset::Auto) {
            event->signalled_ = false;
        }
        return true;
    }
    if (timeoutMs == 0) {
        return false;
    }
    const std::uint64_t deadline =
        timeoutMs == ClockEvent::kWaitForever ? kNoDeadline : now_ + timeoutMs;
    return waitLocked(lock, deadline, event);
}

}  // namespace platform
