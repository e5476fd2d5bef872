#pragma once

#include "effects/EffectHandler.h"

namespace effects {

// The outgoing picture becomes a frame of a film strip (black bands with
// white perforations at top and bottom, black bars at the sides), the strip
// slides one frame to the left so that the incoming picture arrives as the
// next frame, and that frame turns back into the plain picture. Eight
// phases: the look fades in (0), the strip slides (1 to 6), the look fades
// out (7 and 8).
class FilmStrip final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;

    static constexpr Pixel BLACK = 0xFF000000u;
    static constexpr Pixel WHITE = 0xFFFFFFFFu;

  private:
    void drawFilmLook(const PictureFrameBlock& block, const Pixel* picture, int strength) const;
    void drawSlide(const PictureFrameBlock& block, int offset) const;
};

}  // namespace effects
