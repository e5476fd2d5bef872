#pragma once

#include <vector>

#include "effects/ColumnSqueeze.h"
#include "effects/EffectHandler.h"

namespace effects {

// The pinch warps. A front runs over three times the picture's height (A,
// rows from the bottom edge up) or width (B, columns from the right edge
// leftward): the outgoing picture is pinched into a vase whose sides follow a
// parabola, the incoming one swells out of the pinch point and is unpinched.
// A pinched row or column is resampled nearest-neighbour into the middle of
// its line and black fills the rest. Direction and parameter are not read.
class QuadraticWarpA final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;
};

class QuadraticWarpB final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;

  private:
    std::vector<ColumnSource> columns_;  // this frame's columns, reused between frames
};

}  // namespace effects
