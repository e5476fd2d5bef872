#pragma once

#include <vector>

#include "effects/SceneTransition.h"

namespace effects {

// The picture split into thin blocks with the outgoing picture on their
// fronts and the incoming one on their backs; each block turns over in
// turn. Parameters 1 and 2: a row of 11 blocks turning one after another
// from the left (DirRight) or the right, about their vertical axes (1) or
// with a somersault (2). Parameters 3 to 5: a 4 x 4 grid, column by column,
// while the whole grid swirls (3 and 4, opposite ways) or spins (5) away
// and back.
class BlockTurn3D final : public SceneTransition {
  public:
    using SceneTransition::SceneTransition;

    int begin(const PictureFrameBlock& block) override;
    // Black around the blocks; nothing written when Begin made no textures.
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    int columns_ = 0;
    int rows_ = 0;
    int span_ = 0;            // order values run 0..span_
    std::vector<int> order_;  // when each block turns; empty without Begin
};

}  // namespace effects
