#pragma once

#include "effects/EffectHandler.h"

namespace effects {

// The incoming picture appears in a sector swept round the centre by a
// clock hand starting at 12 o'clock: clockwise for direction right,
// counter-clockwise for direction left (and any other direction).
class ClockWipe final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;
};

}  // namespace effects
