#pragma once

#include "effects/SceneTransition.h"

namespace effects {

// The outgoing picture as three horizontal strips that fold down over their
// lower edges, top strip first, uncovering the incoming picture. A strip
// folds down onto the one below; that one then folds with the first lying
// on it, so each folding strip shows the picture of the strip folded onto
// it on one side and its own, seen through, on the other.
class StripFold3D final : public SceneTransition {
  public:
    static constexpr int STRIPS = 3;

    using SceneTransition::SceneTransition;

    int begin(const PictureFrameBlock& block) override;
    // Nothing written when Begin made no texture.
    int frame(const PictureFrameBlock& block) override;
};

}  // namespace effects
