#pragma once

#include <vector>

#include "effects/SceneTransition.h"

namespace effects {

class RandomGenerator;

// The outgoing picture as tiles, 9 across and as many rows as keep them
// about square, that fly off toward the named side (DirUp, DirDown,
// DirLeft, else right), spinning, in an order drawn at Begin, uncovering
// the incoming picture.
class TileFlight3D final : public SceneTransition {
  public:
    static constexpr int COLUMNS = 9;

    // The order is drawn from `random`, the generator of the thread that
    // plays the transitions.
    TileFlight3D(SharedScene& shared, RandomGenerator& random)
        : SceneTransition(shared), random_(random) {}

    int begin(const PictureFrameBlock& block) override;
    // Nothing written when Begin made no texture.
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    // Rows of tiles for a picture of this width / height.
    static int rowsFor(float aspect);

  private:
    RandomGenerator& random_;
    int rows_ = 0;
    std::vector<int> order_;  // when each tile leaves
    bool begun_ = false;
};

}  // namespace effects
