#pragma once

#include "effects/EffectHandler.h"

namespace effects {

// A linear cross-fade in 128 steps; exactly the incoming picture at the end,
// within 2 of the outgoing one at the start.
class CrossFade : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;
};

}  // namespace effects
