#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"

namespace effects {

// The outgoing picture twists and draws in toward the centre, uncovering
// the incoming picture where it pulls away.
class SwirlAway final : public PictureEffect {
  public:
    // Builds the radial displacement of every pixel.
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    // 4096 * half-diagonal * (1 - d^2 / F) along the pixel's ray from the
    // centre, per axis; empty without Begin.
    std::vector<std::int32_t> dx_;
    std::vector<std::int32_t> dy_;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
