#include <gtest/gtest.h>

#include <mutex>
#include <vector>

#include "platform/VirtualClock.h"

namespace platform {
namespace {

TEST(VirtualClock, ManualAdvanceWakesSleepersAtTheirExactTimes) {
    VirtualClock clock;
    std::mutex mutex;
    std::vector<std::pair<char, Millis>> wakeUps;
    auto sleeper = [&](char name, Millis step, int times) {
        return clock.startThread("sleeper", [&, name, step, times] {
            for (int i = 0; i < times; ++i) {
                clock.sleepMs(step);
                std::lock_guard lock(mutex);
                wakeUps.emplace_back(name, clock.nowMs());
            }
        });
    };
    std::thread a = sleeper('a', 300, 3);
    std::thread b = sleeper('b', 400, 2);

    clock.advanceBy(1000);
    EXPECT_EQ(clock.nowMs(), 1000u);
    a.join();
    b.join();
    const std::vector<std::pair<char, Millis>> expected{
        {'a', 300}, {'b', 400}, {'a', 600}, {'b', 800}, {'a', 900}};
    EXPECT_EQ(wakeUps, expected);
}

TEST(VirtualClock, WhenIdleRunsAheadOnlyWhileEveryShowThreadWaits) {
    VirtualClock clock(VirtualClock::Advance::WhenIdle);
    auto go = clock.createEvent(EventReset::Auto);
    Millis sawAfterSleep = 0;
    Millis sawAfterEvent = 0;
    std::thread worker;
    {
        // A show thread from before the worker starts: while it is busy,
        // time must not move on by itself.
        VirtualClock::Participant self(clock);
        worker = clock.startThread("worker", [&] {
            clock.sleepMs(250);
            sawAfterSleep = clock.nowMs();
            go->wait(ClockEvent::kWaitForever);
            sawAfterEvent = clock.nowMs();
        });
        while (clock.busyThreads() == 2) {
            std::this_thread::yield();  // until the worker sleeps
        }
        EXPECT_EQ(clock.nowMs(), 0u);
        clock.sleepMs(1000);  // both idle: time jumps to 250, then to 1000
        EXPECT_EQ(clock.nowMs(), 1000u);
        go->set();
    }
    worker.join();
    EXPECT_EQ(sawAfterSleep, 250u);
    EXPECT_EQ(sawAfterEvent, 1000u);
}

TEST(VirtualClock, EventWaitTimesOutOnVirtualTime) {
    VirtualClock clock(VirtualClock::Advance::WhenIdle);
    auto event = clock.createEvent(EventReset::Manual);
    VirtualClock::Participant self(clock);
    EXPECT_FALSE(event->wait(40));
    EXPECT_EQ(clock.nowMs(), 40u);
    event->set();
    EXPECT_TRUE(event->wait(40));  // manual reset: stays set
    EXPECT_TRUE(event->wait(0));
    event->reset();
    EXPECT_FALSE(event->wait(0));
    EXPECT_EQ(clock.nowMs(), 40u);
}

}  // namespace
}  // namespace platform
