#pragma once

#include <cstddef>

namespace platform {

// The mixer's one format: interleaved stereo float samples at 44100 Hz.
inline constexpr int AUDIO_MIX_RATE = 44100;
inline constexpr int AUDIO_MIX_CHANNELS = 2;

// A decoder the mixer pulls from, always on the output's thread.
class AudioSource {
  public:
    virtual ~AudioSource() = default;
    // Writes up to frames stereo frames into out and returns how many it
    // wrote; fewer than asked means the source has ended.
    virtual std::size_t read(float* out, std::size_t frames) = 0;
};

}  // namespace platform
