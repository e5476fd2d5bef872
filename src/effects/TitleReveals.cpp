#include "effects/TitleReveals.h"

#include <algorithm>
#include <cstdlib>

#include "effects/EffectTables.h"

namespace effects {

namespace {

double ratio(double a, int b) {
    return b == 0 ? 0 : a / b;
}

// A glyph whose position value is g shows at this opacity.
int bandOpacity(double t, double g) {
    return opacityOf(clampUnit((t - 0.7 * g) * 3.3333333333333335));
}

}  // namespace

void TitleMidAppear::draw(const TitleScene& scene) {
    if (scene.elapsed < scene.duration / 2) {
        return;
    }
    for (int i = 0; i < scene.n; ++i) {
        scene.inPlace(i);
    }
}

void TitleFadeSweep::draw(const TitleScene& scene) {
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& g = scene.glyph(i);
        double position = 0;
        switch (scene.direction) {
            case DirUp:
                position = ratio(g.y, scene.BH);
                break;
            case DirRight:
                position = ratio(scene.BW - g.x, scene.BW);
                break;
            case DirDown:
                position = ratio(scene.BH - g.y, scene.BH);
                break;
            case DirLeft:
                position = ratio(g.x, scene.BW);
                break;
            default:
                break;
        }
        scene.inPlace(i, bandOpacity(scene.t, position));
    }
}

void TitleCentreFade::draw(const TitleScene& scene) {
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& g = scene.glyph(i);
        const double position = scene.direction == DirHorizontal
                                    ? ratio(std::abs(g.x - scene.BW / 2) * 2.0, scene.BW)
                                    : ratio(std::abs(g.y - scene.BH / 2) * 2.0, scene.BH);
        scene.inPlace(i, bandOpacity(scene.t, position));
    }
}

void TitleGather::draw(const TitleScene& scene) {
    const std::int64_t elapsed = scene.elapsed, duration = scene.duration;
    const int opacity = static_cast<int>(elapsed * 255 / duration);
    const auto edge = [&](std::int64_t from, std::int64_t to) {
        return static_cast<int>(from + (to - from) * elapsed / duration);
    };
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& g = scene.glyph(i);
        int x = scene.X + g.x, y = scene.Y + g.y;
        switch (scene.direction) {
            case DirUp:
                y = std::min(y, edge(0, std::int64_t{scene.Y} + scene.BH));
                break;
            case DirDown:
                y = std::max(y, edge(scene.H, scene.Y));
                break;
            case DirRight:
                x = std::max(x, edge(scene.W, scene.X));
                break;
            case DirLeft:
                x = std::min(x, edge(0, std::int64_t{scene.X} + scene.BW));
                break;
            default:
                break;
        }
        scene.put(i, x, y, opacity);
    }
}

}  // namespace effects
