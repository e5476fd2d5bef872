#pragma once

#include <array>

#include "effects/SceneTransition.h"

namespace effects {

// A 6 x 6 grid of blocks with the outgoing picture on their fronts. Each
// block carries on its side face the part of the incoming picture that
// belongs where the shuffle sends it: the blocks spread out in depth to
// their new columns, then close up sideways while the grid turns a quarter
// turn, so that the side faces assemble the incoming picture.
class CubeShuffle3D final : public SceneTransition {
  public:
    static constexpr int GRID = 6;
    // Row by row: the column whose part of the incoming picture each block
    // carries; every row is a permutation of 0..5.
    static constexpr std::array<int, GRID* GRID> SHUFFLE = {
        0, 2, 4, 5, 3, 1,  //
        4, 0, 2, 3, 1, 5,  //
        2, 4, 0, 1, 5, 3,  //
        3, 5, 1, 0, 4, 2,  //
        5, 1, 3, 2, 0, 4,  //
        1, 3, 5, 4, 2, 0,  //
    };

    using SceneTransition::SceneTransition;

    int begin(const PictureFrameBlock& block) override;
    // Black around the blocks; a black frame when Begin made no textures.
    int frame(const PictureFrameBlock& block) override;
};

}  // namespace effects
