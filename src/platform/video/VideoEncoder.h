#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Result.h"
#include "platform/Window.h"

namespace platform {

struct VideoEncoderOptions {
    std::string path;  // the container follows the extension: .mp4, .mkv, .webm
    int width = 1280;
    int height = 1024;
    int fps = 30;
    int crf = -1;        // -1: the codec's default quality
    std::string preset;  // x264 preset; empty: the codec's default
    bool audio = true;   // 44100 Hz 16-bit stereo in, as the music engine mixes it
};

// Writes a video file through FFmpeg: H.264 + AAC (MP4, MKV) or VP9 + Opus
// (WebM). Frames are laid out as windows take them (B,G,R,x, rows bottom-up)
// at exactly width x height, one per output frame. Not thread-safe: callers serialise.
class VideoEncoder {
  public:
    static Result<std::unique_ptr<VideoEncoder>> open(const VideoEncoderOptions& options);
    ~VideoEncoder();
    VideoEncoder(const VideoEncoder&) = delete;
    VideoEncoder& operator=(const VideoEncoder&) = delete;

    Result<bool> addFrame(const FrameView& frame);
    // The last frame once more, without converting it again (a still screen).
    Result<bool> repeatFrame();
    // Sound may arrive ahead of the pictures; it is written only as far as
    // the pictures reach.
    Result<bool> addAudio(const std::int16_t* samples, std::size_t frames);
    // Pads the audio with silence to the video's length or cuts it there,
    // drains the encoders and writes the trailer.
    Result<bool> finish();

    std::int64_t framesWritten() const;

  private:
    struct State;
    explicit VideoEncoder(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

}  // namespace platform
