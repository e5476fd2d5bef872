#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "FrameCheck.h"
#include "TransitionFixture.h"
#include "effects/NoiseBurn.h"

namespace effects {
namespace {

using testing::expectPixels;
using testing::fixedOptions;
using testing::FROM_TAG;
using testing::OriginPicture;
using testing::STALE;
using testing::TO_TAG;
using testing::TransitionRun;

constexpr int NOISE_BURN = 22;
constexpr int CIRCLE_SMEAR = 23;
constexpr int DIAGONAL_GLOW = 25;

Pixel grey(int value) {
    return Pixel(value) * 0x01010101u;
}

TEST(NoiseBurn, RampRunsFromOrangeThroughYellowAndBack) {
    const auto ramp = NoiseBurn::ramp();
    struct Case {
        int level;
        Pixel colour;
    };
    const Case cases[] = {{0, 0xFFFF6900},  {1, 0xFFFF7300},  {14, 0xFFFFF500},
                          {15, 0xFFFFF500}, {16, 0xFFFFEB00}, {29, 0xFFFF6900}};
    for (const Case& c : cases) {
        EXPECT_EQ(ramp[c.level], c.colour) << "level " << c.level;
    }
}

// The heights decide each pixel: burnt below b - 30, glowing up to b,
// untouched above; b climbs from the lowest height to 30 past the highest.
TEST(NoiseBurn, BurnsFromTheLowestHeightsUp) {
    // Not a power of two: the map is the corner of a 128 x 128 grid.
    const int w = 100, h = 70;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    TransitionRun run(w, h, from.pixels, to.pixels, fixedOptions());
    run.begin(NOISE_BURN);
    // The run's own handler holds the map; a second one with the same clock
    // draws the same.
    RandomGenerator random;
    const SeedClock clock = SeedClock::fixed(1234);
    NoiseBurn twin(random, clock);
    PictureFrameBlock block;
    block.from = from.pixels.data();
    block.to = to.pixels.data();
    block.out = run.out.data();
    block.width = w;
    block.height = h;
    twin.begin(block);
    const std::vector<std::int32_t>& heights = twin.heights();
    ASSERT_EQ(heights.size(), std::size_t(w * h));
    const auto [low, high] = std::minmax_element(heights.begin(), heights.end());
    EXPECT_LT(*low, *high);
    const auto ramp = NoiseBurn::ramp();
    for (int elapsed : {0, 300, 650}) {
        SCOPED_TRACE(elapsed);
        const int b = *low + int(elapsed / 1000.0 * (*high - *low + 30));
        run.frame(NOISE_BURN, elapsed, 1000);
        expectPixels(run, [&](int r, int c) {
            const int height = heights[std::size_t(r * w + c)];
            if (height < b - 30) {
                return to.at(r, c);
            }
            return height < b ? ramp[std::size_t(height - b + 30)] : from.at(r, c);
        });
    }
    run.end(NOISE_BURN);
}

TEST(NoiseBurn, EachSeedOfTheClockBurnsAlongOtherNoise) {
    const OriginPicture from(64, 48, FROM_TAG), to(64, 48, TO_TAG);
    const auto frameAt = [&](std::uint32_t clock) {
        TransitionRun run(64, 48, from.pixels, to.pixels, fixedOptions(clock));
        run.begin(NOISE_BURN);
        return run.frame(NOISE_BURN, 500, 1000);
    };
    EXPECT_EQ(frameAt(8), frameAt(8));
    EXPECT_NE(frameAt(8), frameAt(9));
}

TEST(CircleSmear, StartsAsFromWithTheCentrePixelOfTo) {
    const int w = 40, h = 30;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    TransitionRun run(w, h, from.pixels, to.pixels);
    run.begin(CIRCLE_SMEAR);
    run.frame(CIRCLE_SMEAR, 0, 1000);
    expectPixels(
        run, [&](int r, int c) { return r == h / 2 && c == w / 2 ? to.at(r, c) : from.at(r, c); });
    run.end(CIRCLE_SMEAR);
}

// 200 x 100: the half-diagonal is 111. Half-way b = 55 and the rim colour
// covers the outside fully (m = 64): a pixel at distance d takes `to` where
// its ray meets the circle.
TEST(CircleSmear, OutsideTheCircleTheRimStreamsOutward) {
    const int w = 200, h = 100;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    TransitionRun run(w, h, from.pixels, to.pixels);
    run.begin(CIRCLE_SMEAR);
    run.frame(CIRCLE_SMEAR, 500, 1000);
    struct Case {
        int row, column;
        Pixel expected;
    };
    const Case cases[] = {
        {50, 100, to.at(50, 100)},  // centre
        {50, 155, to.at(50, 155)},  // on the circle
        {50, 180, to.at(50, 154)},  // 55 * (2^19 / 80) * 80 >> 19 = 54
        {50, 20, to.at(50, 45)},    // left: the shift floors toward -inf
        {90, 100, to.at(90, 100)},  // up: d = 40 is inside
        {0, 0, to.at(25, 50)},      // corner, d = 111: 55 * 4723 * -100 >> 19
        {99, 199, to.at(74, 149)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run.at(c.row, c.column), c.expected) << c.row << ", " << c.column;
    }
    run.end(CIRCLE_SMEAR);
}

// Early on (b = 5 of 111, m = 11) outside pixels are 53/64 of the way back
// from the rim colour to `from`, each byte with an arithmetic shift.
TEST(CircleSmear, BlendsTowardTheRimWhileTheCircleIsSmall) {
    struct Case {
        int from, to, expected;
    };
    const Case cases[] = {
        {200, 10, 10 + (53 * 190 >> 6)},
        {10, 200, 200 + ((53 * -190) >> 6)},  // 42: rounds down
        {77, 77, 77},
    };
    for (const Case& c : cases) {
        const std::vector<Pixel> from(200 * 100, grey(c.from)), to(200 * 100, grey(c.to));
        TransitionRun run(200, 100, from, to);
        run.begin(CIRCLE_SMEAR);
        run.frame(CIRCLE_SMEAR, 50, 1000);
        EXPECT_EQ(run.at(0, 0), grey(c.expected)) << c.from << " -> " << c.to;
        EXPECT_EQ(run.at(50, 100), grey(c.to));
        run.end(CIRCLE_SMEAR);
    }
}

// d = W: `to` where x + y < W counted from the top left; the pixels with
// x + y = W are `from` brightened by 96 per colour byte (at most 255).
TEST(DiagonalGlowWipe, WipesFromTheTopLeftBehindAGlowingLine) {
    const int w = 40, h = 20;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    const auto glow = [](Pixel p) {
        Pixel result = p & 0xFF000000;
        for (int shift : {0, 8, 16}) {
            result |= Pixel(std::min(int(p >> shift & 0xFF) + 96, 255)) << shift;
        }
        return result;
    };
    TransitionRun run(w, h, from.pixels, to.pixels);
    run.begin(DIAGONAL_GLOW);
    for (int elapsed : {0, 400}) {
        SCOPED_TRACE(elapsed);
        const int d = (w + h) * elapsed / 600;
        run.frame(DIAGONAL_GLOW, elapsed, 600);
        expectPixels(run, [&](int r, int c) {
            const int y = h - 1 - r;
            if (c + y < d) {
                return to.at(r, c);
            }
            return c + y == d && d > 0 ? glow(from.at(r, c)) : from.at(r, c);
        });
    }
    run.end(DIAGONAL_GLOW);
}

TEST(BurnSmearGlow, FrameWithoutBeginDrawsNothing) {
    const OriginPicture from(8, 8, FROM_TAG), to(8, 8, TO_TAG);
    TransitionRun run(8, 8, from.pixels, to.pixels, fixedOptions());
    for (int slot : {NOISE_BURN, CIRCLE_SMEAR, DIAGONAL_GLOW}) {
        EXPECT_EQ(run.frame(slot, 500, 1000), std::vector<Pixel>(64, STALE)) << slot;
    }
}

}  // namespace
}  // namespace effects
