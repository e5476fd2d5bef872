#pragma once

#include "effects/SceneTransition.h"

namespace effects {

// One slab with the outgoing picture on its front and the incoming one on
// its back dips away from the viewer, turns half over and comes back. The
// parameter picks the turn: 1 about the vertical axis (rightward for
// DirRight, else leftward), 2 about the horizontal axis (upward for DirUp,
// else downward), 3 a tumble about the diagonal with a quarter-and-a-half
// spin, 4 a loop about a point behind the slab, 5 a deep dive with many
// tumbles.
class PlaneTurn3D final : public SceneTransition {
  public:
    using SceneTransition::SceneTransition;

    int begin(const PictureFrameBlock& block) override;
    // Black around the slab; a black frame when Begin made no textures.
    int frame(const PictureFrameBlock& block) override;
};

}  // namespace effects
