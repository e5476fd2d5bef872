#pragma once

#include <memory>
#include <string>

namespace platform {

// Which of the machine's players opens a music file. The two simple devices
// stand in for the wave and sequencer devices of the films' platform: they
// open only their own format. The media graph opens whatever the decoding
// backend can (WAV, MP3, ...) and MIDI through the synthesiser.
enum class AudioDevice { Wave, Midi, MediaGraph };

// One opened music file in the engine's mixer. It is silent until start() and
// leaves the mixer when destroyed. Any thread.
class AudioStream {
  public:
    virtual ~AudioStream() = default;
    virtual void start() = 0;
    // True once the file has played to its end (it then stays silent).
    virtual bool ended() const = 0;
};

// The audio engine: decodes music files and mixes every started stream into
// one output (the sound card, or a clock-driven sink without one). Both music
// players share it and play at once.
class AudioEngine {
  public:
    virtual ~AudioEngine() = default;

    // Opens path on the device; nullptr when the file cannot be opened or
    // decoded, holds no sound (empty data, a MIDI file without notes), or the
    // device is not there. Never blocks on the output.
    virtual std::unique_ptr<AudioStream> open(const std::string& path, AudioDevice device) = 0;

    // Whether the media graph device can open files here.
    virtual bool mediaGraphAvailable() const = 0;
};

}  // namespace platform
