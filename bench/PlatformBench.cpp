// Costs of the platform layer that every frame of a show pays: the hand-over
// between two show threads through a clock event, on the real and on the
// virtual clock (export runs on the latter).
#include <benchmark/benchmark.h>

#include "platform/SystemClock.h"
#include "platform/VirtualClock.h"

namespace {

template <typename ClockType>
void pingPong(benchmark::State& state, ClockType& clock) {
    auto ping = clock.createEvent(platform::EventReset::Auto);
    auto pong = clock.createEvent(platform::EventReset::Auto);
    std::atomic<bool> done{false};
    std::thread partner = clock.startThread("partner", [&] {
        while (ping->wait(platform::ClockEvent::kWaitForever) && !done) {
            pong->set();
        }
    });
    for (auto _ : state) {
        ping->set();
        pong->wait(platform::ClockEvent::kWaitForever);
    }
    done = true;
    ping->set();
    partner.join();
}

void BM_EventRoundTripSystemClock(benchmark::State& state) {
    platform::SystemClock clock;
    pingPong(state, clock);
}
BENCHMARK(BM_EventRoundTripSystemClock);

void BM_EventRoundTripVirtualClock(benchmark::State& state) {
    platform::VirtualClock clock(platform::VirtualClock::Advance::WhenIdle);
    platform::VirtualClock::Participant self(clock);
    pingPong(state, clock);
}
BENCHMARK(BM_EventRoundTripVirtualClock);

}  // namespace
