#include "media/ClockMusicHost.h"

namespace media {

ClockMusicHost::~ClockMusicHost() {
    for (auto& [id, timer] : timers_) {
        timer->stop();
    }
}

platform::PeriodicTimer& ClockMusicHost::timer(int timerId) {
    std::lock_guard lock(mutex_);
    auto& slot = timers_[timerId];
    if (!slot) {
        slot = std::make_unique<platform::PeriodicTimer>(clock_);
    }
    return *slot;
}

void ClockMusicHost::setTimer(int timerId, platform::Millis periodMs, TimerProcedure procedure) {
    timer(timerId).start(periodMs,
                         [timerId, procedure = std::move(procedure)] { procedure(timerId); });
}

void ClockMusicHost::killTimer(int timerId) {
    timer(timerId).stop();
}

}  // namespace media
