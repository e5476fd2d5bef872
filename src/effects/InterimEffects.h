#pragma once

#include "effects/CrossFade.h"
#include "effects/EffectHandler.h"

namespace effects {

// Stands in for a picture transition whose own code has not landed yet: the
// slot keeps its number, direction and parameter and plays a cross-fade.
// describe() marks such slots as not yet available.
class InterimCrossFade final : public CrossFade {};

}  // namespace effects
