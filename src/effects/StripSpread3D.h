#pragma once

#include <vector>

#include "effects/SceneTransition.h"

namespace effects {

// Eight horizontal strips, each cut into a left and a right half. With
// parameter 0 the halves of the outgoing picture slide apart sideways over
// the incoming one, top strip first; with parameter 1 the halves of the
// incoming picture slide together over the outgoing one, bottom strip
// first.
class StripSpread3D final : public SceneTransition {
  public:
    using SceneTransition::SceneTransition;

    int begin(const PictureFrameBlock& block) override;
    // Nothing written when Begin made no texture.
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    std::vector<int> order_;  // when each half-strip moves; empty without Begin
};

}  // namespace effects
