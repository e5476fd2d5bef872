#pragma once

#include "effects/GlyphTitle.h"

namespace effects {

// Titles that turn into place: the block about its centre, glyphs on a
// spiral, round a roller, or along loops.
class TitleSpinIn final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleSwingThrough final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleWhirlIn final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleRollAround final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleLoopIn final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

}  // namespace effects
