#pragma once

#include "effects/GlyphTitle.h"
#include "effects/RandomGenerator.h"

namespace effects {

// Titles whose glyphs grow, shrink, pop or stretch into place.
class TitleZoomIn final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitlePopIn final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

// Pops the glyphs in a random order. The play thread's generator is
// reseeded with 1 at every frame, so the order is the same in every frame
// and every run.
class TitlePopRandom final : public GlyphTitle {
  public:
    explicit TitlePopRandom(RandomGenerator& random) : random_(random) {}

  protected:
    void draw(const TitleScene& scene) override;

  private:
    RandomGenerator& random_;
};

// Drops glyphs stretched to the target's height, thin, in a random order
// (reseeded per frame as TitlePopRandom).
class TitleStretchDrop final : public GlyphTitle {
  public:
    explicit TitleStretchDrop(RandomGenerator& random) : random_(random) {}

  protected:
    void draw(const TitleScene& scene) override;

  private:
    RandomGenerator& random_;
};

class TitleZoomThrough final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

class TitleSlotEmerge final : public GlyphTitle {
  protected:
    void draw(const TitleScene& scene) override;
};

}  // namespace effects
