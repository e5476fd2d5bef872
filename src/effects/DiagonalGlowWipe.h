#pragma once

#include <array>
#include <cstdint>

#include "effects/EffectHandler.h"

namespace effects {

// The incoming picture wipes in diagonally from the top-left corner; the
// outgoing pixels along the edge glow.
class DiagonalGlowWipe final : public PictureEffect {
  public:
    // Builds the brightening table.
    int begin(const PictureFrameBlock& block) override;
    // Screen pixel (x, y), counted from the top left, shows `to` where
    // x + y < d and `from` elsewhere, d running from 0 to W + H. The glowing
    // line is the pixels with x + y = d exactly: one pixel wide, on the
    // outgoing side, and absent at d = 0, so the first frame is `from`.
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    std::array<std::uint8_t, 256> brighten_{};
    bool ready_ = false;
};

}  // namespace effects
