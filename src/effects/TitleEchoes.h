#pragma once

#include "effects/GlyphTitle.h"

namespace effects {

// Titles that arrive with a second copy or a bounce: a fading echo that
// carries on past, two halves that close, a damped drop, a spread that
// closes in.
class TitleEchoThrough final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleSplitJoin final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleBounceIn final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleConverge final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

}  // namespace effects
