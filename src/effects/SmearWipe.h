#pragma once

#include "effects/EffectHandler.h"

namespace effects {

// The incoming picture is revealed from one edge while its leading row or
// column is repeated over the rest of the screen; the outgoing picture is
// gone after the first frame.
class SmearWipe final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;
};

}  // namespace effects
