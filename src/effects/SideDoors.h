#pragma once

#include <vector>

#include "effects/ColumnSqueeze.h"
#include "effects/EffectHandler.h"

namespace effects {

// The outgoing picture opens like a pair of doors: a strip of the incoming
// picture widens from the centre while each half of the outgoing one is
// pressed into its shrinking margin as a trapezoid whose inner edge gets
// shorter; the incoming picture fills the corners the doors leave open.
// Direction and parameter are not read; nothing is kept between frames.
class SideDoors final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;

  private:
    std::vector<ColumnSource> columns_;  // this frame's door columns, reused between frames
};

}  // namespace effects
