#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"

namespace effects {

// A circle of the incoming picture grows from the centre to the corners;
// outside it the colours of its rim stream outward over the outgoing
// picture, strengthening over the first quarter of the growth.
class CircleSmear final : public PictureEffect {
  public:
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    // Truncated distance of each pixel from (W / 2, H / 2); empty without Begin.
    std::vector<std::int32_t> distance_;
    // 2^19 / d for each distance, 2^19 at 0.
    std::vector<std::int32_t> reciprocal_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
