#pragma once

#include "effects/GlyphTitle.h"

namespace effects {

// Titles that appear in place: at half time, as a fading band that sweeps
// across or out from the middle, or carried by a moving edge.
class TitleMidAppear final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleFadeSweep final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleCentreFade final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleGather final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

}  // namespace effects
