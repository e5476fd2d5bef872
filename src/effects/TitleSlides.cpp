#include "effects/TitleSlides.h"

#include <array>
#include <cmath>

#include "effects/EffectTables.h"

namespace effects {

namespace {

struct Point {
    int x = 0;
    int y = 0;
};

// Where the block starts: beyond the side the text comes from.
Point slideStart(const TitleScene& scene) {
    switch (scene.direction) {
        case DirUp:
            return {scene.X, -scene.BH};
        case DirRight:
            return {scene.W, scene.Y};
        case DirDown:
            return {scene.X, scene.H};
        case DirLeft:
            return {-scene.BW, scene.Y};
        default:
            return {scene.X, scene.Y};
    }
}

// The block's corner at fraction f of the way from the start to its place.
Point slideAt(const TitleScene& scene, Point start, double f) {
    return {start.x + static_cast<int>(f * (scene.X - start.x)),
            start.y + static_cast<int>(f * (scene.Y - start.y))};
}

// How late each glyph of a run of 32 starts, in 1/100 of its flight.
constexpr std::array<int, 32> CASCADE_DELAYS = {3,  8,  26, 15, 1,  18, 7,  20, 12, 9, 21,
                                                6,  23, 31, 28, 19, 22, 4,  30, 11, 0, 13,
                                                29, 27, 10, 16, 5,  25, 17, 2,  24, 14};

}  // namespace

void TitleSlideIn::draw(const TitleScene& scene) {
    const Point at = slideAt(scene, slideStart(scene), ease(scene.t));
    for (int i = 0; i < scene.n; ++i) {
        scene.put(i, at.x + scene.glyph(i).x, at.y + scene.glyph(i).y);
    }
}

void TitleCascade::draw(const TitleScene& scene) {
    const Point start = slideStart(scene);
    const auto units = static_cast<int>(std::int64_t{scene.elapsed} * 131 / scene.duration);
    for (int i = 0; i < scene.n; ++i) {
        const int g = units - CASCADE_DELAYS[static_cast<std::size_t>(i % 32)];
        if (g < 0) {
            continue;
        }
        if (g >= 100) {
            scene.inPlace(i);
            continue;
        }
        const Point at = slideAt(scene, start, ease(g * 0.01));
        scene.put(i, at.x + scene.glyph(i).x, at.y + scene.glyph(i).y);
    }
}

void TitleCornerFly::draw(const TitleScene& scene) {
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        const double g = clampUnit((scene.t - 0.4 * scene.share(i)) * 1.6666666666666667);
        const double h = ease(g);
        const int x = scene.direction == DirLeft
                          ? static_cast<int>(h * (scene.X + glyph.x))
                          : static_cast<int>(h * (scene.X + glyph.x - scene.W) + scene.W);
        const int y = static_cast<int>(g * (scene.Y + glyph.y - scene.H) + scene.H);
        scene.putScaled(i, x, y, TITLE_FULL_OPACITY, scaleOf(g));
    }
}

void TitleRollingIn::draw(const TitleScene& scene) {
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        double x = 0;
        if (scene.direction == DirLeft) {
            const double m = clampUnit((scene.t - 0.09999999999999998 * (1 - scene.share(i))) *
                                       1.1111111111111112);
            x = ease(m) * scene.W + (scene.X + glyph.x - scene.W);
        } else {
            const double m =
                clampUnit((scene.t - 0.09999999999999998 * scene.share(i)) * 1.1111111111111112);
            x = scene.X + glyph.x + scene.W - ease(m) * scene.W;
        }
        const int left = static_cast<int>(x);
        // A wheel of the font's height turns by its travel.
        const int angle = scene.fontHeight == 0
                              ? 0
                              : static_cast<int>(static_cast<double>(left - glyph.x - scene.X) /
                                                 scene.fontHeight * 1145.9155902616465);
        scene.put(i, left, scene.Y + glyph.y, TITLE_FULL_OPACITY, TITLE_FULL_SCALE,
                  TITLE_FULL_SCALE, angle);
    }
}

void TitleRadialFlyIn::draw(const TitleScene& scene) {
    const double reach =
        std::sqrt(static_cast<double>(scene.W) * scene.W + static_cast<double>(scene.H) * scene.H);
    const double f = ease(scene.t);
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        const double direction = i * 2.552544031041707;
        const int l = static_cast<int>(std::cos(direction) * reach);
        const int m = static_cast<int>(std::sin(direction) * reach);
        scene.put(i, scene.X + glyph.x + l + static_cast<int>(-f * l),
                  scene.Y + glyph.y + m + static_cast<int>(-f * m));
    }
}

}  // namespace effects
