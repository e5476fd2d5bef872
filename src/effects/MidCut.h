#pragma once

#include "effects/EffectHandler.h"

namespace effects {

// A cut half-way through the transition time.
class MidCut final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;
};

}  // namespace effects
