#pragma once

#include "effects/CrossFade.h"
#include "effects/EffectHandler.h"

namespace effects {

// Stands in for a picture transition whose own code has not landed yet: the
// slot keeps its number, direction and parameter and plays a cross-fade.
// describe() marks such slots as not yet available.
class InterimCrossFade final : public CrossFade {};

// Stands in for a title animation whose code has not landed yet: it draws
// nothing, so the photo shows without its title.
class InterimTitle final : public TitleEffect {
  public:
    int frame(const TitleFrameBlock&) override { return 0; }
};

}  // namespace effects
