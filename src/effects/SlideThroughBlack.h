#pragma once

#include "effects/EffectHandler.h"

namespace effects {

// The outgoing picture slides off toward the named side during the first
// half, then the incoming one slides back in from there; black shows where no
// picture is. At the half-way point the frame is all black.
class SlideThroughBlack final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;
};

}  // namespace effects
