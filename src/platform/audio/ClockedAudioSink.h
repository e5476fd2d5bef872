#pragma once

#include <memory>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/audio/AudioMixer.h"
#include "platform/audio/AudioOutput.h"

namespace platform {

// The output without a sound card: a show thread that mixes exactly as many
// frames as the clock has moved on, every few milliseconds, and hands them to
// a consumer (or drops them). On a virtual clock the mixed signal is the same
// on every run, which is what the video export records.
class ClockedAudioSink final : public AudioOutput {
  public:
    static constexpr Millis kBlockMs = 5;

    ClockedAudioSink(Clock& clock, AudioMixer& mixer, PcmConsumer consumer = {});
    ~ClockedAudioSink() override;
    ClockedAudioSink(const ClockedAudioSink&) = delete;
    ClockedAudioSink& operator=(const ClockedAudioSink&) = delete;

  private:
    void run();

    Clock& clock_;
    AudioMixer& mixer_;
    PcmConsumer consumer_;
    std::unique_ptr<ClockEvent> stop_;
    std::thread thread_;
};

}  // namespace platform
