#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "platform/audio/AudioSource.h"

namespace platform {

// Adds the started sources into one 16-bit stereo signal. Sources are added
// and removed from any thread; mix() runs on the output's thread.
class AudioMixer {
  public:
    // One source in the mix. The flags are atomics so that the music players
    // can ask about them without waiting for the output thread.
    struct Voice {
        explicit Voice(std::unique_ptr<AudioSource> s) : source(std::move(s)) {}
        std::unique_ptr<AudioSource> source;  // used under the mixer's lock only
        std::atomic<bool> started{false};
        std::atomic<bool> ended{false};
    };

    std::shared_ptr<Voice> add(std::unique_ptr<AudioSource> source);
    // After remove() returns, mix() no longer touches the voice's source.
    void remove(const std::shared_ptr<Voice>& voice);

    // Mixes the next frames into out (interleaved stereo), silence where no
    // voice plays; sums beyond full scale are clipped.
    void mix(std::int16_t* out, std::size_t frames);

  private:
    std::mutex mutex_;                            // held for add, remove and a whole mix() call
    std::vector<std::shared_ptr<Voice>> voices_;  // guarded by mutex_
    std::vector<float> sum_;                      // guarded by mutex_
    std::vector<float> scratch_;                  // guarded by mutex_
};

}  // namespace platform
