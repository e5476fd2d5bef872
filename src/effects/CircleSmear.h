#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"

namespace effects {

// A circle of the incoming picture grows from the centre to the corners;
// outside it the colours of its rim stream outward over the outgoing
// picture, strengthening over the first quarter of the growth.
class CircleSmear final : public PictureEffect {
  public:
    explicit CircleSmear(PixelPath path = PixelPath::Fast) : path_(path) {}

    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    void framePlain(const PictureFrameBlock& block, std::int64_t b, int m) const;
    void frameFast(const PictureFrameBlock& block, std::int32_t b, int m) const;

    PixelPath path_;
    // The fast path keeps, per pixel, its distance in the low 11 bits and
    // the distance's reciprocal above them, so that a frame reads one word
    // per pixel and looks nothing up (pictures up to a half-diagonal of
    // 2047; larger ones take the plain path).
    std::vector<std::uint32_t> packed_;
    // Truncated distance of each pixel from (W / 2, H / 2); empty without Begin.
    std::vector<std::int32_t> distance_;
    // 2^19 / d for each distance, 2^19 at 0.
    std::vector<std::int32_t> reciprocal_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
