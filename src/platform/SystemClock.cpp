#include "platform/SystemClock.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

namespace {

std::int64_t steadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class SystemEvent final : public ClockEvent {
  public:
    explicit SystemEvent(EventReset reset) : reset_(reset) {}

    void set() override {
        {
            std::lock_guard lock(mutex_);
            signalled_ = true;
        }
        if (reset_ == EventReset::Auto) {
            changed_.notify_one();
        } else {
            changed_.notify_all();
        }
    }

    void reset() override {
        std::lock_guard lock(mutex_);
        signalled_ = false;
    }

    bool wait(Millis timeoutMs) override {
        std::unique_lock lock(mutex_);
        auto isSet = [this] { return signalled_; };
        if (timeoutMs == kWaitForever) {
            changed_.wait(lock, isSet);
        } else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet)) {
            return false;
        }
        if (reset_ == EventReset::Auto) {
            signalled_ = false;
        }
        return true;
    }

  private:
    const EventReset reset_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool signalled_ = false;  // guarded by mutex_
};

}  // namespace

void lowerCurrentThreadToIdlePriority() {
    sched_param parameters{};
    parameters.sched_priority = 0;
    if (pthread_setschedparam(pthread_self(), SCHED_IDLE, &parameters) != 0) {
        setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
    }
}

void nameCurrentThread(const std::string& name) {
    pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

SystemClock::SystemClock() : startNs_(steadyNs()) {}

Millis SystemClock::nowMs() {
    return static_cast<Millis>((steadyNs() - startNs_) / 1'000'000);
}

void SystemClock::sleepMs(Millis ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::unique_ptr<ClockEvent> SystemClock::createEvent(EventReset reset) {
    return std::make_unique<SystemEvent>(reset);
}

void SystemClock::joinThread(std::thread& thread) {
    if (thread.joinable()) {
        thread.join();
    }
}

std::thread SystemClock::startThread(std::string name, std::function<void()> body) {
    return std::thread([name = std::move(name), body = std::move(body)] {
        nameCurrentThread(name);
        body();
    });
}

}  // namespace platform
