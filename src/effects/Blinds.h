#pragma once

#include "effects/EffectHandler.h"
#include "effects/RowSpans.h"

namespace effects {

// N slats (the parameter, at most 80), each revealing the incoming picture
// from one of its edges at once.
class Blinds final : public PictureEffect {
  public:
    static constexpr int MAX_SLATS = 80;

    int frame(const PictureFrameBlock& block) override;

  private:
    RowSpans spans_;  // the side slats as runs of `to` and `from`, reused between frames
};

}  // namespace effects
