#include "effects/TitleScaling.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace effects {

namespace {

constexpr double PI = std::numbers::pi;

double popHeight(double l) {
    return std::max(0.0, (std::sin((3 * l - 0.5) * PI) + 1) * (1 - (1 - l) * (1 - l)) * 0.5);
}

void popGlyph(const TitleScene& scene, int i, double stagger) {
    const double l = clampUnit((scene.t - 0.4 * stagger) * 1.6666666666666667);
    const double m = popHeight(l);
    scene.put(i, scene.X + scene.glyph(i).x, scene.Y + scene.glyph(i).y, opacityOf(m), scaleOf(m),
              scaleOf(m));
}

}  // namespace

void TitleZoomIn::draw(const TitleScene& scene) {
    const double h = std::min(1.4 / scene.n, 1.0);
    const int cx = scene.X + scene.BW / 2, cy = scene.Y + scene.BH / 2;
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        const double l = clampUnit((scene.t - scene.share(i) * (1 - h)) / h);
        const int opacity = opacityOf(l);
        if (opacity == 0) {
            continue;
        }
        const int x = scene.X + glyph.x, y = scene.Y + glyph.y;
        // From 2.3 times down to the glyph's size.
        const double shrink = (1 - l) * 1.2999999999999998 + 1;
        const auto towardCentre = [&](double factor) {
            scene.putScaled(i, static_cast<int>((x - cx) * factor + cx),
                            static_cast<int>((y - cy) * factor + cy), opacity, scaleOf(factor));
        };
        switch (scene.parameter) {
            case 0:
                scene.put(i, x, y, opacity);
                break;
            case 1:
                scene.putScaled(i, x, y, opacity, scaleOf(l));
                break;
            case 2:
                towardCentre(l);
                break;
            case 3:
                scene.putScaled(i, x, y, opacity, scaleOf(shrink));
                break;
            case 4:
                towardCentre(shrink);
                break;
            default:
                return;
        }
    }
}

void TitlePopIn::draw(const TitleScene& scene) {
    for (int i = 0; i < scene.n; ++i) {
        popGlyph(scene, i, scene.BW == 0 ? 0 : static_cast<double>(scene.glyph(i).x) / scene.BW);
    }
}

void TitlePopRandom::draw(const TitleScene& scene) {
    random_.seed(1);
    for (int i = 0; i < scene.n; ++i) {
        popGlyph(scene, i, scene.share(random_.next() % scene.n));
    }
}

void TitleStretchDrop::draw(const TitleScene& scene) {
    const double g = scene.n >= 2 ? 2.0 / scene.n : 1.0;
    const double stretch =
        scene.fontHeight == 0 ? 1.0 : static_cast<double>(scene.H) / std::abs(scene.fontHeight);
    random_.seed(1);
    for (int i = 0; i < scene.n; ++i) {
        const int r = random_.next() % scene.n;
        double o = (scene.t - scene.share(r) * (1 - g)) / g;
        if (o < 0) {
            continue;
        }
        o = std::min(o, 1.0);
        const double u = (stretch - 1) * (1 - o) + 1;
        scene.put(i, scene.X + scene.glyph(i).x, scene.Y + scene.glyph(i).y, opacityOf(o),
                  static_cast<int>(65536 / ((u - 1) * 0.2 + 1)), scaleOf(u));
    }
}

void TitleZoomThrough::draw(const TitleScene& scene) {
    const int cx = scene.X + scene.BW / 2, cy = scene.Y + scene.BH / 2;
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        const double g = (scene.t - 0.7 * scene.share(i)) * 3.3333333333333335;
        if (g <= 0) {
            continue;
        }
        const double h = std::min(g, 1.0) * 1.6;
        const int opacity = h > 1 ? static_cast<int>((1.6 - h) * 318.75) : opacityOf(h);
        if (h > 1) {
            scene.inPlace(i);
        }
        const int halfWidth = glyph.width / 2;
        scene.putScaled(i,
                        static_cast<int>(h * (halfWidth + scene.X + glyph.x - cx) + cx - halfWidth),
                        static_cast<int>(h * (scene.Y + glyph.y - cy) + cy), opacity, scaleOf(h));
    }
}

void TitleSlotEmerge::draw(const TitleScene& scene) {
    if (scene.BW <= 0) {
        return;
    }
    const int w0 = scene.W0();
    const int shift =
        static_cast<int>(scene.BW * (1 - scene.t) * (static_cast<double>(w0) / scene.BW + 1));
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        if (glyph.x + shift <= scene.BW) {
            scene.put(i, scene.X + glyph.x + shift, scene.Y + glyph.y);
            continue;
        }
        if (w0 <= 0) {
            continue;
        }
        // Past the slot: grows and fades at the block's right edge.
        const double x = static_cast<double>(shift + glyph.x - scene.BW) / w0;
        if (x >= 0 && x <= 1) {
            scene.putScaled(i, scene.X + scene.BW, scene.Y + glyph.y, opacityOf(1 - x),
                            scaleOf(1.6 * x + 1));
        }
    }
}

}  // namespace effects
