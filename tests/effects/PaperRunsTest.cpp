#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "effects/PaperRuns.h"

namespace effects {
namespace {

// The pixel loops of the page curl and roll, fast against plain, on tables
// built here the way the transitions build theirs: a bend of radius r
// whose paper comes from up to r (pi + pi / 2 + 1) behind, fast enough near
// the rim that groups are looked up pixel by pixel, and far enough on big
// radii that places leave the fast loops' 16-bit lanes.

constexpr int STEPS = 1024;                // steps per radius
constexpr int FIRST = -STEPS;              // the table's first step
constexpr int LAST = 2 * STEPS;            // and its last
constexpr std::int32_t NONE = -(1 << 28);  // no paper at this step

std::vector<Pixel> noise(std::size_t count, std::mt19937& random) {
    std::vector<Pixel> pixels(count);
    for (Pixel& p : pixels) {
        p = random();
    }
    return pixels;
}

// Runs one run through the fast and the plain loop, each into its own copy of
// the same `size` pixels, and asks for the same bytes (past `count` too).
template <class Run>
void expectFastMatchesPlain(Run run, std::size_t size, void (*fast)(const Run&),
                            void (*plain)(const Run&)) {
    std::vector<Pixel> fastOut(size, 0x12345678);
    std::vector<Pixel> plainOut = fastOut;
    run.out = fastOut.data();
    fast(run);
    run.out = plainOut.data();
    plain(run);
    ASSERT_EQ(fastOut, plainOut);
}

// One layer's steps, stored from FIRST on.
struct Steps {
    std::vector<std::int32_t> x, y, xy;
    std::vector<PackedShade> shade;

    Steps() : x(LAST - FIRST + 1), y(x.size()), xy(x.size()), shade(x.size()) {}

    PaperLayer layer() const {
        return {x.data() - FIRST, y.data() - FIRST, shade.data() - FIRST, xy.data() - FIRST};
    }
};

// The outside (top) or the inside of a bend of radius r along (ux, uy),
// with shades that never carry a byte past 255.
Steps bendSteps(bool inside, double r, double ux, double uy, std::mt19937& random) {
    Steps steps;
    const double pi = std::numbers::pi;
    for (int s = FIRST; s <= LAST; ++s) {
        const std::size_t i = static_cast<std::size_t>(s - FIRST);
        const double q = std::clamp(static_cast<double>(s) / STEPS, -1.0, 1.0);
        const double tau = inside ? (q < 0 ? -1.0 : std::asin(q) - q) : pi - std::asin(q) - q;
        steps.x[i] = tau < 0 ? NONE : static_cast<std::int32_t>(std::lround(-r * tau * ux));
        steps.y[i] = tau < 0 ? NONE : static_cast<std::int32_t>(std::lround(-r * tau * uy));
        steps.xy[i] = packPlace(steps.x[i], steps.y[i]);
        const unsigned mul = random() % 257;
        const unsigned add = random() % (256 - 255 * mul / 256);
        steps.shade[i] = packShade(mul, add);
    }
    return steps;
}

TEST(PaperRuns, FastTableRunsMatchThePlainOnes) {
    std::mt19937 random(7);
    const int pageWidth = 700, pageHeight = 500, stride = 733;
    const std::vector<Pixel> picture = noise(std::size_t(stride) * (pageHeight + 3), random);
    const Pixel* paper = picture.data() + stride + 5;
    // Radii from small to beyond the fast loops' lanes (4095 pixels).
    for (const double r : {12.0, 90.0, 240.0, 600.0, 1500.0}) {
        for (int trial = 0; trial < 120; ++trial) {
            const double angle =
                std::uniform_real_distribution<double>(0, 2 * std::numbers::pi)(random);
            const Steps top = bendSteps(false, r, std::cos(angle), std::sin(angle), random);
            const Steps inside = bendSteps(true, r, std::cos(angle), std::sin(angle), random);
            const PaperLayer second = inside.layer();
            const int count = std::uniform_int_distribution<int>(0, 300)(random);
            const std::vector<Pixel> under = noise(static_cast<std::size_t>(count), random);
            TableRun run{};
            run.under = under.data();
            run.paper = paper;
            run.stride = stride;
            run.column = static_cast<int>(random() % pageWidth);
            run.row = static_cast<int>(random() % pageHeight);
            run.pageWidth = pageWidth;
            run.pageHeight = pageHeight;
            run.count = count;
            // Across the bend in either direction, from about one to many
            // steps per pixel, starting anywhere along it.
            const double perPixel =
                STEPS / r * std::uniform_real_distribution<double>(0.2, 1.0)(random);
            run.qStep =
                static_cast<std::int32_t>(std::lround((trial % 2 ? 1 : -1) * perPixel * 65536));
            run.q =
                std::uniform_int_distribution<std::int32_t>(-(STEPS << 16), STEPS << 16)(random);
            if (trial % 3 != 2) {
                // Across a rim, where the paper moves fastest.
                const int rim = trial % 4 < 2 ? STEPS : -STEPS;
                run.q =
                    rim * 65536 + run.qStep * std::uniform_int_distribution<int>(0, count)(random);
            }
            const bool bend = trial % 4 < 2;  // a bend of two layers, or the front of a roll
            run.firstStep = bend ? 0 : FIRST;
            run.lastStep = bend ? STEPS : -1;
            run.first = top.layer();
            run.second = bend ? &second : nullptr;
            SCOPED_TRACE("radius " + std::to_string(r) + ", trial " + std::to_string(trial));
            ASSERT_NO_FATAL_FAILURE(expectFastMatchesPlain(run, static_cast<std::size_t>(count) + 1,
                                                           tableRunFast, tableRunPlain));
        }
    }
}

TEST(PaperRuns, FastShadowAndLineRunsMatchThePlainOnes) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 200; ++trial) {
        SCOPED_TRACE("trial " + std::to_string(trial));
        const int count = std::uniform_int_distribution<int>(0, 200)(random);
        const std::vector<Pixel> under = noise(static_cast<std::size_t>(count), random);
        ShadowRun shadow{};
        shadow.under = under.data();
        shadow.count = count;
        shadow.firstStep = STEPS + 1;
        shadow.lastStep = STEPS + STEPS / 2;
        shadow.depth = 115;
        shadow.shift = 18;
        shadow.q =
            std::uniform_int_distribution<std::int32_t>(STEPS << 16, (2 * STEPS) << 16)(random);
        shadow.qStep = std::uniform_int_distribution<std::int32_t>(-(10 << 16), 10 << 16)(random);
        const std::size_t size = static_cast<std::size_t>(count) + 1;
        ASSERT_NO_FATAL_FAILURE(
            expectFastMatchesPlain(shadow, size, shadowRunFast, shadowRunPlain));

        // A line of paper that stays on a 300 x 200 page: a mirror image
        // read backward, forward or slanted.
        const int w = 300, h = 200;
        const std::vector<Pixel> page = noise(std::size_t(w) * h, random);
        LineRun line{};
        line.paper = page.data();
        line.stride = w;
        line.shade = packShade(200, 30);
        const std::int64_t one = std::int64_t{1} << 32;
        const auto within = [&](std::int64_t low, std::int64_t high) {
            return std::uniform_int_distribution<std::int64_t>(low, high)(random);
        };
        line.xStep = within(-one, one);
        line.yStep = within(-one / 2, one / 2);
        line.x = within(w / 2 * one, (w / 2 + 1) * one - 1);
        line.y = within(h / 2 * one, (h / 2 + 1) * one - 1);
        line.count = std::min(count, 95);  // within 100 pixels of the middle
        ASSERT_NO_FATAL_FAILURE(expectFastMatchesPlain(line, size, lineRunFast, lineRunPlain));
    }
}

}  // namespace
}  // namespace effects
