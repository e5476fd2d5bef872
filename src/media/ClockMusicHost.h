#pragma once

#include <map>
#include <memory>
#include <mutex>

#include "media/MusicHost.h"
#include "platform/Clock.h"
#include "platform/MessageQueue.h"
#include "platform/PeriodicTimer.h"

namespace media {

// A MusicHost made of the platform's own parts: messages go to the main
// thread's queue and each timer runs on its own clock thread. The poll then
// runs beside the window thread, which MusicPlayer allows for.
class ClockMusicHost final : public MusicHost {
  public:
    ClockMusicHost(platform::MessageQueue& queue, platform::Clock& clock)
        : queue_(queue), clock_(clock) {}
    ~ClockMusicHost() override;

    void postMessage(const platform::Message& message) override { queue_.postMessage(message); }
    void setTimer(int timerId, platform::Millis periodMs, TimerProcedure procedure) override;
    void killTimer(int timerId) override;

  private:
    platform::PeriodicTimer& timer(int timerId);

    platform::MessageQueue& queue_;
    platform::Clock& clock_;
    std::mutex mutex_;  // guards the map only; never held while a timer stops
    // Timers live until the host goes, so a reference stays valid unlocked.
    std::map<int, std::unique_ptr<platform::PeriodicTimer>> timers_;
};

}  // namespace media
