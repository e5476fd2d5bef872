#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Result.h"
#include "platform/audio/AudioSource.h"

namespace platform {

// A Standard MIDI File rendered by FluidSynth with a General MIDI sound font.
// Each source has its own synthesiser, timed by the samples it renders, so it
// plays the same on the sound card and offline.
class MidiAudioSource final : public AudioSource {
  public:
    // The first General MIDI sound font of the usual Debian places, or "".
    static std::string findSoundFont();

    // Fails with the reason when the file is no MIDI file, has no notes, or
    // the sound font cannot be loaded.
    static Result<std::unique_ptr<MidiAudioSource>> open(const std::string& path,
                                                         const std::string& soundFont);
    ~MidiAudioSource() override;

    std::size_t read(float* out, std::size_t frames) override;

  private:
    struct Synth;
    explicit MidiAudioSource(std::unique_ptr<Synth> synth);
    bool pastLastEvent() const;

    static constexpr int kTailFrames = AUDIO_MIX_RATE * 30 / 1000;  // fade after the last event

    std::unique_ptr<Synth> synth_;
    int tailLeft_ = -1;  // frames of the fade still to render; -1 before it, 0 at the end
};

}  // namespace platform
