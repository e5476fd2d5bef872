#include "effects/TitleEchoes.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "effects/EffectTables.h"

namespace effects {

void TitleEchoThrough::draw(const TitleScene& scene) {
    const double t = scene.t;
    int dx = 0, dy = 0;
    switch (scene.direction) {
        case DirUp:
            dy = static_cast<int>((1 - 2 * t) * scene.H0() * 2);
            break;
        case DirRight:
            dx = static_cast<int>(scene.W0() * (2 * t - 1) * 5);
            break;
        case DirDown:
            dy = static_cast<int>((2 * t - 1) * scene.H0() * 2);
            break;
        case DirLeft:
            dx = static_cast<int>(scene.W0() * (1 - 2 * t) * 5);
            break;
        default:
            break;
    }
    const bool arrived = t > 0.5;
    const int opacity = arrived ? static_cast<int>((1 - t) * 382.5) : static_cast<int>(t * 510);
    for (int i = 0; i < scene.n; ++i) {
        scene.put(i, scene.X + scene.glyph(i).x + dx, scene.Y + scene.glyph(i).y + dy, opacity);
    }
    if (arrived) {
        for (int i = 0; i < scene.n; ++i) {
            scene.inPlace(i);
        }
    }
}

void TitleSplitJoin::draw(const TitleScene& scene) {
    const double g = scene.n >= 2 ? 2.0 / scene.n : 1.0;
    for (int i = 0; i < scene.n; ++i) {
        double h = (scene.t - scene.share(i) * (1 - g)) / g;
        if (h < 0) {
            continue;
        }
        h = std::min(h, 1.0);
        int m = 0, o = 0;
        if (scene.parameter == 1) {
            o = static_cast<int>((1 - h) * scene.H0() * 0.75);
        } else {
            m = static_cast<int>(scene.W0() * (1 - h) * 0.75);
        }
        const int x = scene.X + scene.glyph(i).x, y = scene.Y + scene.glyph(i).y;
        scene.put(i, x + m / 2, y + o / 2, opacityOf(h));
        if (h < 1) {
            scene.put(i, x - (m + 1) / 2, y - (o + 1) / 2, opacityOf(h));
        }
    }
}

void TitleBounceIn::draw(const TitleScene& scene) {
    const double height = scene.H0() * 3.0;
    const double rest = height * std::exp(-4.0);
    for (int i = 0; i < scene.n; ++i) {
        const double h =
            clampUnit((scene.t - 0.30000000000000004 * scene.share(i)) * 1.4285714285714286);
        const int y =
            static_cast<int>(rest + scene.Y + scene.glyph(i).y -
                             std::cos(4 * std::numbers::pi * h) * std::exp(-4 * h) * height);
        scene.put(i, scene.X + scene.glyph(i).x, y, opacityOf(1 - (1 - h) * (1 - h)));
    }
}

void TitleConverge::draw(const TitleScene& scene) {
    const double spread = (1 - scene.t) * 3.3 + 1;
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        scene.put(i, static_cast<int>(scene.X + scene.BW / 2 + spread * (glyph.x - scene.BW / 2)),
                  scene.Y + glyph.y, opacityOf(scene.t));
    }
}

}  // namespace effects
