#include "platform/audio/ClockedAudioSink.h"

namespace platform {

ClockedAudioSink::ClockedAudioSink(Clock& clock, AudioMixer& mixer, PcmConsumer consumer)
    : clock_(clock),
      mixer_(mixer),
      consumer_(std::move(consumer)),
      stop_(clock.createEvent(EventReset::Manual)) {
    thread_ = clock_.startThread("audio sink", [this] { run(); });
}

ClockedAudioSink::~ClockedAudioSink() {
    stop_->set();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void ClockedAudioSink::run() {
    const Millis start = clock_.nowMs();
    std::uint64_t mixedFrames = 0;
    std::vector<std::int16_t> block;
    while (!stop_->wait(kBlockMs)) {
        const Millis elapsed = clock_.nowMs() - start;
        // Frames owed since the start, so rounding never drifts.
        const std::uint64_t due = std::uint64_t{elapsed} * AUDIO_MIX_RATE / 1000;
        if (due <= mixedFrames) {
            continue;
        }
        const auto frames = static_cast<std::size_t>(due - mixedFrames);
        block.resize(frames * AUDIO_MIX_CHANNELS);
        mixer_.mix(block.data(), frames);
        mixedFrames = due;
        if (consumer_) {
            consumer_(block.data(), frames);
        }
    }
}

}  // namespace platform
