#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameCheck.h"
#include "TransitionFixture.h"
#include "effects/RandomGenerator.h"
#include "effects/ShatterEffects.h"

namespace effects {
namespace {

using testing::expectPixels;
using testing::fixedOptions;
using testing::FROM_TAG;
using testing::OriginPicture;
using testing::STALE;
using testing::TO_TAG;
using testing::TransitionRun;

constexpr int SHATTER_FINE = 29;
constexpr int SHATTER_BLOCKS_4 = 30;
constexpr int SHATTER_BLOCKS_20 = 32;
constexpr int RANDOM_BLOCKS_4 = 36;
constexpr int RANDOM_BLOCKS_20 = 38;

TEST(BlockSize, IsTheParameterLoweredUntilItDividesBothSides) {
    struct Case {
        int parameter, width, height, size;
    };
    const Case cases[] = {
        {20, 1024, 768, 16},  // 20, 19, 18 and 17 do not divide both
        {20, 800, 600, 20},  {8, 800, 600, 8}, {4, 1280, 1024, 4}, {20, 1280, 1024, 16},
        {8, 6, 9, 3},        {4, 7, 5, 1},     {0, 64, 48, 1},  // no parameter: single pixels
    };
    for (const Case& c : cases) {
        EXPECT_EQ(blockSizeFor(c.parameter, c.width, c.height), c.size)
            << c.parameter << " on " << c.width << "x" << c.height;
    }
}

// Block b turns when the percentage reaches its threshold, the b-th draw of
// the play generator mod 100; only the colour bytes are written.
TEST(RandomBlocks, TurnsEachBlockAtItsThreshold) {
    const int w = 1024, h = 768, s = 16;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    const std::uint32_t playSeed = 4242;
    TransitionRun run(w, h, from.pixels, to.pixels, fixedOptions(1, playSeed));
    run.begin(RANDOM_BLOCKS_20);
    RandomGenerator play(playSeed);
    std::vector<int> thresholds((w / s) * (h / s));
    for (int& t : thresholds) {
        t = play.next() % 100;
    }
    for (int percent : {1, 37, 50, 99}) {
        SCOPED_TRACE(percent);
        std::fill(run.out.begin(), run.out.end(), STALE);
        run.frame(RANDOM_BLOCKS_20, percent * 10, 1000);
        expectPixels(run, [&](int r, int c) {
            const bool turned = percent >= thresholds[(r / s) * (w / s) + c / s];
            const Pixel colour = (turned ? to.at(r, c) : from.at(r, c)) & 0x00FFFFFF;
            return (STALE & 0xFF000000) | colour;
        });
    }
    EXPECT_EQ(run.frame(RANDOM_BLOCKS_20, 1000, 1000), to.pixels);
    run.end(RANDOM_BLOCKS_20);
}

TEST(RandomBlocks, FrameWithoutBeginDrawsNothing) {
    const OriginPicture from(8, 8, FROM_TAG), to(8, 8, TO_TAG);
    TransitionRun run(8, 8, from.pixels, to.pixels, fixedOptions());
    EXPECT_EQ(run.frame(RANDOM_BLOCKS_4, 500, 1000), std::vector<Pixel>(64, STALE));
}

TEST(Shatter, FallFactorGrowsFromNothingToAboutFourHundredSeventyThousand) {
    EXPECT_EQ(Shatter::fallFactor(0, 1000), 33);
    EXPECT_LT(Shatter::fallFactor(500, 1000), Shatter::fallFactor(501, 1000));
    EXPECT_NEAR(double(Shatter::fallFactor(1000, 1000)), 467000.0, 3000.0);
    EXPECT_NEAR(double(Shatter::fallFactor(3000, 3000)), 469000.0, 3000.0);
}

// Where each piece of `from` ended up: rows top-down, so that falling is
// a growing row.
struct Moved {
    int rowShift, columnShift;
};

std::vector<Moved> movedPieces(const TransitionRun& run, const OriginPicture& to) {
    std::vector<Moved> moved;
    for (int r = 0; r < run.height; ++r) {
        for (int c = 0; c < run.width; ++c) {
            const Pixel p = run.at(r, c);
            if (p == to.at(r, c)) {
                continue;
            }
            EXPECT_EQ(p >> 24, FROM_TAG) << "row " << r << " column " << c;
            const int sourceRow = int(p >> 12) & 0xFFF;
            const int sourceColumn = int(p) & 0xFFF;
            // Memory rows run bottom-up: a fall lowers the row.
            moved.push_back({sourceRow - r, c - sourceColumn});
        }
    }
    return moved;
}

TEST(Shatter, PiecesStartHalfABlockRightAndFall) {
    struct Case {
        const char* what;
        int slot, halfBlock;
    };
    const Case cases[] = {{"blocks of 4", SHATTER_BLOCKS_4, 2},
                          {"blocks of 20", SHATTER_BLOCKS_20, 10},
                          {"particles", SHATTER_FINE, 0}};
    const int w = 160, h = 120;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TransitionRun run(w, h, from.pixels, to.pixels, fixedOptions());
        run.begin(c.slot);
        // One millisecond in: no piece has fallen a row; each has drifted
        // at most one column left of its start.
        const std::vector<Moved> start = movedPieces((run.frame(c.slot, 1, 1000), run), to);
        EXPECT_GT(start.size(), std::size_t(w * h / 2));
        for (const Moved& m : start) {
            ASSERT_EQ(m.rowShift, 0);
            ASSERT_TRUE(m.columnShift == c.halfBlock || m.columnShift == c.halfBlock + 1)
                << m.columnShift;
        }
        // Later no piece has risen and most have fallen; those of the
        // bottom row rest on the bottom edge until they fall past it.
        const std::vector<Moved> later = movedPieces((run.frame(c.slot, 300, 1000), run), to);
        std::size_t fallen = 0;
        for (const Moved& m : later) {
            ASSERT_GE(m.rowShift, 0);
            fallen += m.rowShift > 0;
        }
        EXPECT_GT(fallen, later.size() / 2);
        run.end(c.slot);
    }
}

TEST(Shatter, ScattersAfreshForEachSeedOfTheClock) {
    const int w = 64, h = 48;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    for (int slot : {SHATTER_FINE, SHATTER_BLOCKS_4}) {
        SCOPED_TRACE(slot);
        const auto frameAt = [&](std::uint32_t clock) {
            TransitionRun run(w, h, from.pixels, to.pixels, fixedOptions(clock));
            run.begin(slot);
            return run.frame(slot, 400, 1000);
        };
        EXPECT_EQ(frameAt(5), frameAt(5));
        EXPECT_NE(frameAt(5), frameAt(6));
    }
}

TEST(Shatter, FrameWithoutBeginDrawsNothing) {
    const OriginPicture from(8, 8, FROM_TAG), to(8, 8, TO_TAG);
    TransitionRun run(8, 8, from.pixels, to.pixels, fixedOptions());
    for (int slot : {SHATTER_FINE, SHATTER_BLOCKS_4}) {
        EXPECT_EQ(run.frame(slot, 0, 1000), std::vector<Pixel>(64, STALE));
        EXPECT_EQ(run.frame(slot, 500, 1000), std::vector<Pixel>(64, STALE));
    }
}

}  // namespace
}  // namespace effects
