#pragma once

#include <memory>
#include <string>

#include "platform/Result.h"
#include "platform/audio/AudioSource.h"

namespace platform {

// Any audio file FFmpeg opens (WAV, MP3, ...), decoded while it plays and
// converted to the mixer's format.
class FfmpegAudioSource final : public AudioSource {
  public:
    enum class Container { WaveOnly, Any };

    // Fails with the reason when the file cannot be opened, has no audio
    // stream, or yields no samples at all (empty or broken data).
    static Result<std::unique_ptr<FfmpegAudioSource>> open(const std::string& path,
                                                           Container container);
    ~FfmpegAudioSource() override;

    std::size_t read(float* out, std::size_t frames) override;

  private:
    struct Codec;
    explicit FfmpegAudioSource(std::unique_ptr<Codec> codec);
    // Decodes until converted samples wait or the file has ended.
    bool refill();

    std::unique_ptr<Codec> codec_;
};

}  // namespace platform
