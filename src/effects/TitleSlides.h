#pragma once

#include "effects/GlyphTitle.h"

namespace effects {

// Titles that travel into place: the whole block from a side, glyphs one by
// one from a side or a corner, rolling like wheels, or from all around.
class TitleSlideIn final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleCascade final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleCornerFly final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleRollingIn final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleRadialFlyIn final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

}  // namespace effects
