#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace platform {

// FFmpeg's G.723.1 decoder, kept as an independent reference for the tests
// and benchmarks of our own decoder; the show never uses it.
class ReferenceSpeechDecoder {
  public:
    enum class PostFilter { Off, On };

    // nullptr with the reason in *error when FFmpeg has no such decoder.
    static std::unique_ptr<ReferenceSpeechDecoder> create(PostFilter postFilter,
                                                          std::string* error = nullptr);
    ~ReferenceSpeechDecoder();
    ReferenceSpeechDecoder(const ReferenceSpeechDecoder&) = delete;
    ReferenceSpeechDecoder& operator=(const ReferenceSpeechDecoder&) = delete;

    // Decodes one frame (exactly its bytes) into 240 samples. False when
    // FFmpeg reports an error or returns no samples.
    bool decodeFrame(std::span<const uint8_t> frame, std::span<int16_t, 240> out);

  private:
    struct Impl;
    explicit ReferenceSpeechDecoder(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform
