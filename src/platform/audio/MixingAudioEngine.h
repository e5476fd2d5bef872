#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/AudioEngine.h"
#include "platform/audio/AudioMixer.h"
#include "platform/audio/AudioOutput.h"

namespace platform {

// The audio engine: FFmpeg decodes wave and compressed files, FluidSynth
// renders MIDI, one mixer adds every playing stream, and one output takes the
// result. The output is made when the first file opens, so a show without
// music never touches the sound card.
class MixingAudioEngine final : public AudioEngine {
  public:
    using OutputFactory = std::function<std::unique_ptr<AudioOutput>(AudioMixer& mixer)>;

    struct Options {
        bool mediaGraph = true;  // false: as a machine without the media backend
        std::string soundFont;   // General MIDI sound font; "" finds the installed one
    };

    MixingAudioEngine(Options options, OutputFactory makeOutput);
    ~MixingAudioEngine() override;

    std::unique_ptr<AudioStream> open(const std::string& path, AudioDevice device) override;
    bool mediaGraphAvailable() const override { return options_.mediaGraph; }

  private:
    class Stream;

    Options options_;
    OutputFactory makeOutput_;
    AudioMixer mixer_;  // outlives the output, which pulls from it
    std::mutex outputMutex_;
    std::unique_ptr<AudioOutput> output_;  // guarded by outputMutex_
};

}  // namespace platform
