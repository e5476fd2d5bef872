#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Result.h"
#include "platform/audio/AudioMixer.h"
#include "platform/audio/AudioOutput.h"

namespace platform {

// The sound card through SDL2's audio thread, which pulls from the mixer.
class SdlAudioOutput final : public AudioOutput {
  public:
    // Fails with SDL's reason when no audio device can be opened.
    static Result<std::unique_ptr<SdlAudioOutput>> open(AudioMixer& mixer);
    ~SdlAudioOutput() override;

  private:
    SdlAudioOutput(AudioMixer& mixer, std::uint32_t device) : mixer_(mixer), device_(device) {}
    static void callback(void* self, std::uint8_t* stream, int bytes);

    AudioMixer& mixer_;
    std::uint32_t device_;
};

}  // namespace platform
