#include "effects/TitleTurns.h"

#include <cmath>
#include <numbers>

namespace effects {

namespace {

constexpr double PI = std::numbers::pi;

struct Turned {
    double x = 0;
    double y = 0;
};

// Glyph i's baseline point turned by theta about the block centre; x is
// the turned centre of the glyph.
Turned turnAboutCentre(const TitleScene& scene, int i, double theta) {
    const GlyphRecord& g = scene.glyph(i);
    const int u = g.x + g.width / 2 - scene.BW / 2;
    const int v = g.y - scene.BH / 2;
    return {scene.X + scene.BW / 2 + u * std::cos(theta) - v * std::sin(theta),
            scene.Y + scene.BH / 2 + v * std::cos(theta) + u * std::sin(theta)};
}

int angleOf(double radians) {
    return static_cast<int>(radians * TITLE_RADIANS_TO_ANGLE);
}

}  // namespace

void TitleSpinIn::draw(const TitleScene& scene) {
    const double quarter = (1 - scene.t) * PI / 2;
    const double theta = scene.parameter == 1 ? quarter : -quarter;
    for (int i = 0; i < scene.n; ++i) {
        const Turned at = turnAboutCentre(scene, i, theta);
        scene.put(i, static_cast<int>(at.x + 0.5) - scene.glyph(i).width / 2,
                  static_cast<int>(at.y + 0.5), opacityOf(scene.t), TITLE_FULL_SCALE,
                  TITLE_FULL_SCALE, angleOf(theta));
    }
}

void TitleSwingThrough::draw(const TitleScene& scene) {
    const double theta = scene.parameter == 1 ? (0.5 - scene.t) * PI : (scene.t - 0.5) * PI;
    const bool arrived = scene.t > 0.5;
    const int opacity =
        arrived ? static_cast<int>((1 - scene.t) * 382.5) : static_cast<int>(scene.t * 510);
    for (int i = 0; i < scene.n; ++i) {
        if (arrived) {
            scene.inPlace(i);
        }
        const Turned at = turnAboutCentre(scene, i, theta);
        scene.put(i, static_cast<int>(at.x) - scene.glyph(i).width / 2, static_cast<int>(at.y),
                  opacity, TITLE_FULL_SCALE, TITLE_FULL_SCALE, angleOf(theta));
    }
}

void TitleWhirlIn::draw(const TitleScene& scene) {
    if (scene.W <= 0) {
        return;
    }
    // A glyph 0 without width would make every distance infinite.
    const double e = std::max(scene.W0() * 0.5, 0.5);
    const double f = scene.t, g = 1 - f;
    const int hh = static_cast<int>(scene.BH * 0.5), hw = static_cast<int>(scene.BW * 0.5);
    const double m = std::sqrt(static_cast<double>(hh) * hh + static_cast<double>(hw) * hw);
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        const double a = glyph.x - scene.BW / 2, b = glyph.y - scene.BH / 2;
        const double d = std::sqrt(a * a + b * b);
        const double u = d >= e ? g * g * (m - e) * d / e : g * g * (m - e);
        // A glyph at the centre has no direction to spiral out along: it
        // turns in place.
        const double k = d > 0 ? (d + u) / d : 1.0;
        const double theta = g * PI + 4 * u / scene.W;
        scene.put(i,
                  static_cast<int>(scene.X + scene.BW / 2 +
                                   k * (a * std::cos(theta) - b * std::sin(theta))),
                  static_cast<int>(scene.Y + scene.BH / 2 +
                                   k * (b * std::cos(theta) + a * std::sin(theta))),
                  opacityOf(f), TITLE_FULL_SCALE, TITLE_FULL_SCALE, angleOf(theta));
    }
}

void TitleRollAround::draw(const TitleScene& scene) {
    const double d = 0.1 * scene.W;
    if (d <= 0) {
        return;
    }
    const double e = d * PI;
    const double f = (1.5 * scene.W + e) * (1 - scene.t);
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        const int c = static_cast<int>(glyph.width / 2 + glyph.x + scene.X - f);
        int centre = c;
        int scale = TITLE_FULL_SCALE;
        if (c < scene.X && c > scene.X - e) {
            const double theta = (scene.X - c) / d;
            centre = static_cast<int>(scene.X - d * std::sin(theta));
            scale = scaleOf((std::cos(theta) + 1) * 0.25 + 0.5);
        } else if (c < scene.X) {
            centre = static_cast<int>(2.0 * scene.X - e - c);
            scale = 0x8000;
        }
        scene.putScaled(i, centre - glyph.width / 2, scene.Y + glyph.y, TITLE_FULL_OPACITY, scale);
    }
}

void TitleLoopIn::draw(const TitleScene& scene) {
    const double t = scene.t;
    int down = 0, across = 0;
    if (t <= 0.5) {
        const int r = scene.H / 2;
        down = static_cast<int>(-r * std::cos(2 * PI * t));
        across = static_cast<int>(-r * std::sin(2 * PI * t));
    } else if (t < 1) {
        const int r = scene.H / 4;
        down = r + static_cast<int>(r * std::cos(2 * PI * (t - 0.5)));
        across = static_cast<int>(r * std::sin(2 * PI * (t - 0.5)));
    }
    for (int i = 0; i < scene.n; ++i) {
        scene.put(i, scene.X + scene.glyph(i).x + across, scene.Y + scene.glyph(i).y + down,
                  opacityOf(t));
    }
}

}  // namespace effects
