#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Result.h"

namespace platform {

// The pictures of a video file, decoded one at a time through FFmpeg:
// whatever its demuxers and decoders open plays (AVI, MPEG, ASF, QuickTime,
// MP4 with MJPEG, Cinepak, Indeo, MPEG-4 part 2, H.264, ...). One thread at
// a time; the clip player moves it from the preparation thread to its own.
class VideoDecoder {
  public:
    // Fails with the reason when the file cannot be opened, has no video
    // stream, its decoder cannot be opened, or not even one picture decodes.
    // On success the first picture is already decoded (cued).
    static Result<std::unique_ptr<VideoDecoder>> open(const std::string& path);
    ~VideoDecoder();
    VideoDecoder(const VideoDecoder&) = delete;
    VideoDecoder& operator=(const VideoDecoder&) = delete;

    // Size of the current picture.
    int width() const;
    int height() const;

    // When the current picture is due, in ms after the first one; never
    // earlier than the picture before.
    Millis frameTime() const;
    // How long the current picture stays when nothing follows it.
    Millis frameDuration() const;

    // Decodes the next picture. false at the end of the video: the end of
    // the file, or data the decoder cannot go on with (a damaged clip ends
    // there as if it were complete).
    bool decodeNext();

    // The current picture as BGRX at width x height (scaled bilinearly),
    // rows top-down with stride width * 4. false when it cannot be converted.
    bool convert(int width, int height, std::vector<std::uint8_t>& out);

  private:
    struct Codec;
    explicit VideoDecoder(std::unique_ptr<Codec> codec);

    std::unique_ptr<Codec> codec_;
};

}  // namespace platform
