#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

namespace platform {

// Where the mixed signal goes: the sound card, or a sink that pulls it at the
// pace of the show clock. An output pulls from its mixer from the moment it is
// made until it is destroyed.
class AudioOutput {
  public:
    virtual ~AudioOutput() = default;
};

// Receives mixed 16-bit stereo frames at 44100 Hz, in order, on the sink's
// thread (video export, tests).
using PcmConsumer = std::function<void(const std::int16_t* samples, std::size_t frames)>;

}  // namespace platform
