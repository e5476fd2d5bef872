#pragma once

#include "effects/GlyphTitle.h"

namespace effects {

// The glyphs travel one after another along a path of four cubic Bezier
// segments, leaning along it, and slide along the baseline into place. The
// parameter picks one of four paths.
class TitleFollowPath final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

}  // namespace effects
