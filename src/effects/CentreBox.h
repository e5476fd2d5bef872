#pragma once

#include "effects/EffectHandler.h"

namespace effects {

// A box in the centre: parameter 0 closes the incoming picture in from all
// four edges around a shrinking box of the outgoing one; parameter 1 opens
// the incoming picture out from the centre.
class CentreBox final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;
};

}  // namespace effects
