#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/PeriodicTimer.h"
#include "platform/SystemClock.h"
#include "platform/VirtualClock.h"

namespace platform {
namespace {

TEST(PeriodicTimer, FiresAtExactMultiplesOfItsPeriodOnVirtualTime) {
    VirtualClock clock;
    std::vector<Millis> fired;  // written only by the timer thread while time moves
    PeriodicTimer timer(clock);
    timer.start(500, [&] { fired.push_back(clock.nowMs()); });

    clock.advanceBy(499);
    EXPECT_TRUE(fired.empty());
    clock.advanceBy(1001);
    EXPECT_EQ(fired, (std::vector<Millis>{500, 1000, 1500}));

    timer.stop();
    clock.advanceBy(2000);
    EXPECT_EQ(fired.size(), 3u);
    EXPECT_FALSE(timer.isRunning());
}

TEST(PeriodicTimer, RestartCountsFromTheRestart) {
    VirtualClock clock;
    std::vector<Millis> fired;
    PeriodicTimer timer(clock);
    timer.start(500, [&] { fired.push_back(clock.nowMs()); });
    clock.advanceBy(300);
    timer.start(200, [&] { fired.push_back(clock.nowMs()); });
    clock.advanceBy(400);
    EXPECT_EQ(fired, (std::vector<Millis>{500, 700}));
}

// stop() must not return while the callback still runs: whatever the callback
// touches may be freed right after stop().
TEST(PeriodicTimer, StopWaitsForARunningCallback) {
    SystemClock clock;
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool release = false;
    std::vector<std::string> order;

    PeriodicTimer timer(clock);
    timer.start(1, [&] {
        std::unique_lock lock(mutex);
        if (entered) {
            return;
        }
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
        order.push_back("callback returned");
    });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return entered; });
    }
    std::atomic<bool> stopping{false};
    std::thread stopper([&] {
        stopping = true;
        timer.stop();
        std::lock_guard lock(mutex);
        order.push_back("stop returned");
    });
    while (!stopping) {
        std::this_thread::yield();
    }
    // Give a faulty stop() the chance to return early before releasing.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    changed.notify_all();
    stopper.join();
    EXPECT_EQ(order, (std::vector<std::string>{"callback returned", "stop returned"}));
}

TEST(PeriodicTimer, StopFromInsideTheCallbackEndsTheTimer) {
    VirtualClock clock;
    int calls = 0;
    PeriodicTimer timer(clock);
    timer.start(100, [&] {
        ++calls;
        timer.stop();
    });
    clock.advanceBy(1000);
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace platform
