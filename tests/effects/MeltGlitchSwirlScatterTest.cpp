#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "FrameCheck.h"
#include "TransitionFixture.h"
#include "effects/GlitchPush.h"
#include "effects/RandomGenerator.h"
#include "effects/ScatterSwap.h"

namespace effects {
namespace {

using testing::expectPixels;
using testing::fixedOptions;
using testing::FROM_TAG;
using testing::OriginPicture;
using testing::STALE;
using testing::TO_TAG;
using testing::TransitionRun;

constexpr int SCATTER_SWAP = 33;
constexpr int MELT_DOWN = 34;
constexpr int SWIRL_AWAY = 87;
constexpr int GLITCH_PUSH = 88;

int rowOfOrigin(Pixel p) {
    return int(p >> 12) & 0xFFF;
}
int columnOfOrigin(Pixel p) {
    return int(p) & 0xFFF;
}

// The transitions that draw from random numbers or tables all begin on the
// outgoing picture itself.
TEST(RandomisedTransitions, StartWithFromExactly) {
    const int w = 80, h = 60;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    for (int slot : {22, 29, 30, 32, 33, 34, 36, 87, 88}) {
        SCOPED_TRACE(slot);
        TransitionRun run(w, h, from.pixels, to.pixels, fixedOptions());
        run.begin(slot);
        EXPECT_EQ(run.frame(slot, 0, 1000), from.pixels);
        run.end(slot);
    }
}

// A quarter in (a = 31) the upper rows still wait, whatever their delay;
// every drop that left has only fallen, by whole rows.
TEST(MeltDown, DropsFallFromTheBottomUpAndNeverRise) {
    const int w = 80, h = 60;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    TransitionRun run(w, h, from.pixels, to.pixels, fixedOptions());
    run.begin(MELT_DOWN);
    run.frame(MELT_DOWN, 250, 1000);
    int moved = 0;
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            const Pixel p = run.at(r, c);
            if (r >= h * 45 / 100) {
                ASSERT_EQ(p, from.at(r, c)) << r << ", " << c;
                continue;
            }
            if (p == to.at(r, c)) {
                continue;
            }
            ASSERT_EQ(p >> 24, FROM_TAG);
            // Sideways by at most 30 right, any distance down.
            const int source = rowOfOrigin(p) * w + columnOfOrigin(p);
            ASSERT_LE(r * w + c, source + 30) << r << ", " << c;
            moved += r * w + c != source;
        }
    }
    EXPECT_GT(moved, 0);
    run.end(MELT_DOWN);
}

TEST(MeltDown, EachSeedOfTheClockMeltsAlongAnotherFront) {
    const OriginPicture from(64, 48, FROM_TAG), to(64, 48, TO_TAG);
    const auto frameAt = [&](std::uint32_t clock) {
        TransitionRun run(64, 48, from.pixels, to.pixels, fixedOptions(clock));
        run.begin(MELT_DOWN);
        return run.frame(MELT_DOWN, 400, 1000);
    };
    EXPECT_EQ(frameAt(8), frameAt(8));
    EXPECT_NE(frameAt(8), frameAt(9));
}

TEST(GlitchPush, ShiftsARowWithBlackWhereItLeft) {
    const Pixel source[4] = {1, 2, 3, 4};
    struct Case {
        std::int64_t shift;
        Pixel expected[4];
    };
    const Case cases[] = {
        {0, {1, 2, 3, 4}},  {1, {0, 1, 2, 3}},       {3, {0, 0, 0, 1}},
        {-1, {2, 3, 4, 0}}, {-3, {4, 0, 0, 0}},      {4, {0, 0, 0, 0}},
        {-4, {0, 0, 0, 0}}, {1 << 20, {0, 0, 0, 0}}, {-(std::int64_t{1} << 40), {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        Pixel out[4] = {9, 9, 9, 9};
        GlitchPush::shiftRow(out, source, 4, c.shift);
        EXPECT_EQ(std::vector<Pixel>(out, out + 4), std::vector<Pixel>(c.expected, c.expected + 4))
            << "shift " << c.shift;
    }
}

// The shift of each output row, read back from where the source row landed;
// W or more when the row is black.
std::vector<int> rowShifts(const TransitionRun& run) {
    std::vector<int> shifts;
    for (int r = 0; r < run.height; ++r) {
        int shift = run.width;
        for (int c = 0; c < run.width; ++c) {
            if (run.at(r, c) != 0) {
                shift = c - columnOfOrigin(run.at(r, c));
                break;
            }
        }
        shifts.push_back(shift);
    }
    return shifts;
}

TEST(GlitchPush, HalfWayPushesAQuarterInAndJerksTheRows) {
    const int w = 120, h = 80;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    const std::uint32_t seconds = 1700000000;
    TransitionRun run(w, h, from.pixels, to.pixels, fixedOptions(seconds));
    run.begin(GLITCH_PUSH);
    // x = 0.5: d = H / 4; the bottom quarter shows the top quarter of `to`.
    run.frame(GLITCH_PUSH, 500, 1000);
    const std::vector<int> shifts = rowShifts(run);
    expectPixels(run, [&](int r, int c) {
        const Pixel* source = r >= 20 ? &from.pixels[std::size_t(r - 20) * w]
                                      : &to.pixels[std::size_t(r - 20 + h) * w];
        Pixel row[120];
        GlitchPush::shiftRow(row, source, w, shifts[std::size_t(r)]);
        return row[c];
    });
    // The rows jerk the most next to the five rows drawn at Begin.
    RandomGenerator random(seconds);
    std::vector<int> chosen;
    for (int k = 0; k < GlitchPush::CHOSEN_ROWS; ++k) {
        chosen.push_back(random.next() % h);
    }
    int wildest = 0;
    for (int r = 0; r < h; ++r) {
        if (std::abs(shifts[std::size_t(r)]) > std::abs(shifts[std::size_t(wildest)])) {
            wildest = r;
        }
    }
    ASSERT_NE(shifts[std::size_t(wildest)], 0);
    bool nearChosen = false;
    for (int row : chosen) {
        nearChosen = nearChosen || std::abs(row - wildest) <= 1;
    }
    EXPECT_TRUE(nearChosen) << "row " << wildest;
    // Frames of the same percentage jerk alike, wherever the push is.
    run.frame(GLITCH_PUSH, 504, 1000);
    EXPECT_EQ(rowShifts(run), shifts);
    run.end(GLITCH_PUSH);
}

// 64 x 64 a quarter in by time (q = 255): the sampling offset turns a
// quarter round and draws in half as far; the centre stays.
TEST(SwirlAway, SamplesAlongTheTwistedRay) {
    const int w = 64, h = 64;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    TransitionRun run(w, h, from.pixels, to.pixels);
    run.begin(SWIRL_AWAY);
    run.frame(SWIRL_AWAY, 500, 1000);
    struct Case {
        int row, column;
        Pixel expected;
    };
    const Case cases[] = {
        {32, 32, from.at(32, 32)},
        {32, 48, from.at(21, 53)},  // right of the centre: u = 0, v = 11
        {40, 32, from.at(45, 43)},  // above: u = 11, v = 0
        {36, 36, from.at(32, 46)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run.at(c.row, c.column), c.expected) << c.row << ", " << c.column;
    }
    for (int elapsed : {0, 250, 999, 1000}) {
        run.frame(SWIRL_AWAY, elapsed, 1000);
        EXPECT_EQ(run.at(32, 32), from.at(32, 32)) << elapsed;
        // The corner samples from outside the picture as soon as it moves.
        EXPECT_EQ(run.at(0, 0), elapsed == 0 ? from.at(0, 0) : to.at(0, 0)) << elapsed;
    }
    run.end(SWIRL_AWAY);
}

TEST(ScatterSwap, SpreadEasesInAndOut) {
    struct Case {
        double progress;
        int spread;
    };
    const Case cases[] = {{0, 0},     {0.25, 500}, {0.3, 600},  {0.4, 752}, {0.5, 808},
                          {0.6, 752}, {0.7, 600},  {0.75, 500}, {1, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(ScatterSwap::spread(c.progress), c.spread) << c.progress;
    }
}

TEST(ScatterSwap, OddSizesDrawNothing) {
    for (const auto& size : {std::pair{63, 48}, std::pair{64, 47}}) {
        const OriginPicture from(size.first, size.second, FROM_TAG),
            to(size.first, size.second, TO_TAG);
        TransitionRun run(size.first, size.second, from.pixels, to.pixels, fixedOptions());
        run.begin(SCATTER_SWAP);
        for (int elapsed : {0, 500, 1000}) {
            EXPECT_EQ(run.frame(SCATTER_SWAP, elapsed, 1000),
                      std::vector<Pixel>(from.pixels.size(), STALE));
        }
        run.end(SCATTER_SWAP);
    }
}

// Particles switch to `to` once trunc(256 c) reaches their threshold (1 to
// 255); in between they fly apart over black and come back.
TEST(ScatterSwap, ParticlesSwitchPicturesWhileTheyFly) {
    const int w = 64, h = 48;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    TransitionRun run(w, h, from.pixels, to.pixels, fixedOptions());
    run.begin(SCATTER_SWAP);
    const auto tags = [&](int elapsed) {
        std::vector<int> count(3);  // black, from, to
        for (Pixel p : run.frame(SCATTER_SWAP, elapsed, 1000)) {
            ++count[p == 0 ? 0 : (p >> 24) == FROM_TAG ? 1 : 2];
        }
        return count;
    };
    EXPECT_EQ(tags(3)[2], 0);
    EXPECT_EQ(tags(998)[1], 0);
    const std::vector<int> middle = tags(500);
    EXPECT_GT(middle[0], 0);
    EXPECT_GT(middle[1], 0);
    EXPECT_GT(middle[2], 0);
    run.end(SCATTER_SWAP);
}

}  // namespace
}  // namespace effects
