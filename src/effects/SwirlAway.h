#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"

namespace effects {

// The outgoing picture twists and draws in toward the centre, uncovering
// the incoming picture where it pulls away.
class SwirlAway final : public PictureEffect {
  public:
    explicit SwirlAway(PixelPath path = PixelPath::Fast) : path_(path) {}

    // Builds the radial displacement of every pixel.
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    void framePlain(const PictureFrameBlock& block, std::int64_t q) const;
    void frameFast(const PictureFrameBlock& block, std::int32_t q) const;

    PixelPath path_;
    // 4096 * half-diagonal * (1 - d^2 / F) along the pixel's ray from the
    // centre, per axis; empty without Begin. The plain path keeps one entry
    // per pixel. The displacement is odd in its own axis and even in the
    // other, so the fast path keeps only the quarter of non-negative
    // offsets from the centre, (H / 2 + 1) rows of W / 2 + 1, and mirrors
    // it: a quarter of the memory to stream through per frame.
    std::vector<std::int32_t> dx_;
    std::vector<std::int32_t> dy_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
