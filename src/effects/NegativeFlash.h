#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"

namespace effects {

// The outgoing picture fades into its grey negative (first 40 %), the
// negative burns out to white (to 80 %), and white fades into the incoming
// picture. Only the three colour bytes of each output pixel are written.
class NegativeFlash final : public PictureEffect {
  public:
    explicit NegativeFlash(PixelPath path = PixelPath::Fast) : path_(path) {}

    // Computes the grey negative of `from`.
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    PixelPath path_;
    std::vector<std::uint8_t> grey_;  // empty when Begin had no pictures or no memory
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
