#include "effects/TitleFollowPath.h"

#include <array>
#include <cmath>

namespace effects {

namespace {

constexpr int PATH_POINTS = 13;
constexpr int PATH_SEGMENTS = 4;

struct PathPoint {
    double x = 0;
    double y = 0;
};

// Points 0 to 8 in fractions of the target, the scales at the segment ends;
// points 9 to 12 follow the block. A coordinate above 900 is relative to the
// following point, one below -900 to the preceding one.
struct PathPreset {
    std::array<double, PATH_SEGMENTS + 1> scales;
    std::array<PathPoint, 9> points;
};

// clang-format off
constexpr std::array<PathPreset, 4> PATH_PRESETS = {{
    {{1, 0.25, 1, 1, 1},
     {{{1.1, 1.1}, {1.0, 1.0}, {0.2, 0.1}, {0.5, 0.1}, {0.8, 0.1},
       {0.2, 0.9}, {0.1, 0.8}, {0.0, 0.7}, {1000.2, 1000.0}}}},
    {{1, 0.25, 1, 1, 1},
     {{{-0.1, 1.1}, {0.0, 1.0}, {0.8, 0.1}, {0.5, 0.1}, {0.2, 0.1},
       {0.8, 0.9}, {0.9, 0.8}, {1.0, 0.7}, {1000.2, 1000.0}}}},
    {{1, 0.25, 0.25, 1, 1},
     {{{-0.1, 1.1}, {0.0, 0.0}, {0.7, 0.05}, {0.5, 0.1}, {0.3, 0.15},
       {0.8, 0.8}, {0.6, 0.8}, {0.4, 0.8}, {1000.2, 1000.0}}}},
    {{1, 0.25, 0.25, 1, 1},
     {{{1.1, 1.1}, {1.0, 0.0}, {0.3, 0.05}, {0.5, 0.1}, {0.7, 0.15},
       {0.2, 0.8}, {0.4, 0.8}, {0.6, 0.8}, {1000.2, 1000.0}}}},
}};
// clang-format on

constexpr std::array<double, PATH_SEGMENTS + 1> TIME_MARKS = {0, 0.25, 0.5, 0.75, 1};

double resolve(double value, double following, double preceding) {
    if (value > 900) {
        return value - 1000 + following;
    }
    if (value < -900) {
        return value + 1000 + preceding;
    }
    return value;
}

}  // namespace

void TitleFollowPath::draw(const TitleScene& scene) {
    if (scene.W <= 0 || scene.H <= 0 || scene.BW <= 0) {
        return;
    }
    const PathPreset& preset =
        PATH_PRESETS[scene.parameter >= 0 && scene.parameter <= 2 ? scene.parameter : 3];
    std::array<PathPoint, PATH_POINTS> p{};
    for (std::size_t k = 0; k < preset.points.size(); ++k) {
        p[k] = preset.points[k];
    }
    const double w = scene.W, h = scene.H;
    p[9] = {(scene.X + scene.BW) / w, scene.Y / h};
    p[11] = {scene.X / w, scene.Y / h};
    p[10] = {(p[9].x + p[11].x) / 2, (p[9].y + p[11].y) / 2};
    p[12] = {scene.X / w - 0.1, scene.Y / h};
    for (std::size_t k = 0; k < PATH_POINTS; ++k) {
        const PathPoint following = k + 1 < PATH_POINTS ? p[k + 1] : p[k];
        const PathPoint preceding = k > 0 ? p[k - 1] : p[k];
        p[k] = {resolve(p[k].x, following.x, preceding.x),
                resolve(p[k].y, following.y, preceding.y)};
    }

    const double delta = TIME_MARKS[4] - TIME_MARKS[3];
    const double last = 1 - delta;
    for (int i = 0; i < scene.n; ++i) {
        const GlyphRecord& glyph = scene.glyph(i);
        const int half = static_cast<int>(static_cast<unsigned>(glyph.width) >> 1);
        const double v = scene.t - (glyph.x + half) * delta / scene.BW;
        if (v >= last) {
            // On the baseline, sliding left into place.
            const int left =
                scene.t < 1
                    ? static_cast<int>(scene.X + scene.BW + (v - last) * -scene.BW / delta) - half
                    : scene.X + glyph.x;
            scene.put(i, left, scene.Y + glyph.y);
            continue;
        }
        if (v <= 0) {
            continue;
        }
        int s = 0;
        while (s < PATH_SEGMENTS - 1 && v > TIME_MARKS[static_cast<std::size_t>(s + 1)]) {
            ++s;
        }
        const double t0 = TIME_MARKS[static_cast<std::size_t>(s)];
        const double t1 = TIME_MARKS[static_cast<std::size_t>(s + 1)];
        const double f = (v - t0) / (t1 - t0);
        const PathPoint& a = p[static_cast<std::size_t>(3 * s)];
        const PathPoint& b = p[static_cast<std::size_t>(3 * s + 1)];
        const PathPoint& c = p[static_cast<std::size_t>(3 * s + 2)];
        const PathPoint& d = p[static_cast<std::size_t>(3 * s + 3)];
        const double g = 1 - f;
        const auto bezier = [&](double pa, double pb, double pc, double pd) {
            return g * g * g * pa + 3 * g * g * f * pb + 3 * g * f * f * pc + f * f * f * pd;
        };
        const auto slope = [&](double pa, double pb, double pc, double pd) {
            return 3 * g * g * (pb - pa) + 6 * g * f * (pc - pb) + 3 * f * f * (pd - pc);
        };
        const double bx = bezier(a.x, b.x, c.x, d.x), by = bezier(a.y, b.y, c.y, d.y);
        const double scale = preset.scales[static_cast<std::size_t>(s)] * g +
                             preset.scales[static_cast<std::size_t>(s + 1)] * f;
        const int angle = 900 - static_cast<int>(std::atan2(slope(a.x, b.x, c.x, d.x),
                                                            slope(a.y, b.y, c.y, d.y)) *
                                                 TITLE_RADIANS_TO_ANGLE);
        scene.putScaled(i, static_cast<int>(w * bx) - half, static_cast<int>(h * by) + glyph.y,
                        TITLE_FULL_OPACITY, scaleOf(scale), angle);
    }
}

}  // namespace effects
