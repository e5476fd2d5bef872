#pragma once

#include <cstdint>

#include "effects/EffectHandler.h"
#include "effects/GlyphCache.h"
#include "effects/TitleText.h"

namespace effects {

inline constexpr int TITLE_FULL_SCALE = 0x10000;
inline constexpr int TITLE_FULL_OPACITY = 255;
// Radians to tenths of a degree, turned the way the glyph drawing turns.
inline constexpr double TITLE_RADIANS_TO_ANGLE = -572.9577951308232;

// What one frame of a title animation works with: the block's geometry on
// the target (X, Y, BW, BH), the target size (W, H), the glyphs and the
// progress t = elapsed / duration.
struct TitleScene {
    int X = 0;
    int Y = 0;
    int BW = 0;
    int BH = 0;
    int W = 0;
    int H = 0;
    int n = 0;
    std::int32_t elapsed = 0;
    std::int32_t duration = 1;
    double t = 0;
    std::uint16_t direction = 0;
    std::int32_t parameter = 0;
    std::int32_t fontHeight = 0;  // the style's stored height
    const GlyphRecord* glyphs = nullptr;
    const GlyphCache* cache = nullptr;
    std::uint32_t colour = 0;
    bool shadow = false;

    const GlyphRecord& glyph(int i) const { return glyphs[i]; }
    // Width and height of glyph 0, which some animations use for all.
    int W0() const { return glyphs[0].width; }
    int H0() const { return glyphs[0].height; }
    // i / n as a fraction.
    double share(int i) const { return static_cast<double>(i) / n; }

    // Draws glyph i with its baseline's left end at (x, y) on the target.
    void put(int i, int x, int y, int opacity = TITLE_FULL_OPACITY, int scaleX = TITLE_FULL_SCALE,
             int scaleY = TITLE_FULL_SCALE, int angle = 0) const {
        cache->drawGlyph(x, y, colour, opacity, shadow, i, scaleX, scaleY, angle);
    }
    void putScaled(int i, int x, int y, int opacity, int scale, int angle = 0) const {
        put(i, x, y, opacity, scale, scale, angle);
    }
    // Glyph i in its laid-out place.
    void inPlace(int i, int opacity = TITLE_FULL_OPACITY) const {
        put(i, X + glyphs[i].x, Y + glyphs[i].y, opacity);
    }
};

// v limited to 0..1.
inline double clampUnit(double v) {
    return v < 0 ? 0 : v > 1 ? 1 : v;
}
inline double ease(double v) {
    return v * (2 - v);
}
// Opacities and scales from fractions, truncated toward zero.
inline int opacityOf(double fraction) {
    return static_cast<int>(fraction * 255);
}
inline int scaleOf(double factor) {
    return static_cast<int>(factor * 65536);
}

// A title animation that draws through a glyph cache: Begin builds the
// cache on the text record, End releases it, and each Frame draws every
// glyph as the animation places it.
class GlyphTitle : public TitleEffect {
  public:
    int begin(const TitleFrameBlock& block) override;
    int frame(const TitleFrameBlock& block) final;
    int end(const TitleFrameBlock& block) override;

  protected:
    // Called with at least one glyph, a positive duration and elapsed
    // within 0..duration.
    virtual void draw(const TitleScene& scene) = 0;
};

}  // namespace effects
