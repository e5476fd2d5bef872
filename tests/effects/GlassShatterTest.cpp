#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameChecks.h"
#include "TransitionFixture.h"
#include "effects/GlassShatter.h"

namespace effects {
namespace {

using testing::expectPixels;
using testing::FROM_TAG;
using testing::fromAt;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::toAt;
using testing::TransitionRun;

constexpr int SLOT = 35;

TEST(GlassShatter, ShardsAroundTheCentre) {
    // 800 x 600: half the diagonal is 500. Offsets from the centre pixel.
    const struct {
        int dx, dy, shard;
        const char* what;
    } cases[] = {
        {0, 0, 7, "the centre: r = 0, angle 0"},
        {-100, -9, 15, "wrap sector (-174.9 degrees) within the straight 150"},
        {-100, 0, 15, "180 degrees exactly"},
        {-289, -25, 0, "wrap sector at r = 290: the edge bent past -170 degrees"},
        {0, -200, 4, "straight down on screen: -90 degrees"},
        {0, 200, 11, "straight up: 90 degrees"},
        {-200, -150, 1, "-143 degrees, bent by 4 past r = 100"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GlassShatter::shardOf(400 + c.dx, 300 + c.dy, 800, 600), c.shard) << c.what;
    }
}

TEST(GlassShatter, RunsCoverEachRowWithItsShards) {
    const int w = 64, h = 48;
    const OriginPicture picture(w, h, FROM_TAG);
    PictureFrameBlock block;
    block.from = block.to = picture.pixels.data();
    std::vector<Pixel> out(picture.pixels.size());
    block.out = out.data();
    block.width = w;
    block.height = h;
    GlassShatter effect;
    effect.begin(block);
    for (int y = 0; y < h; ++y) {
        int column = 0, previous = -1;
        for (const GlassShatter::Run& run : effect.rowRuns(y)) {
            ASSERT_EQ(run.first, column) << "row " << y;
            ASSERT_GT(run.end, run.first) << "row " << y;
            ASSERT_NE(run.shard, previous) << "row " << y;
            for (int x = run.first; x < run.end; ++x) {
                ASSERT_EQ(GlassShatter::shardOf(x, y, w, h), run.shard) << x << ", " << y;
            }
            column = run.end;
            previous = run.shard;
        }
        EXPECT_EQ(column, w) << "row " << y;
    }
}

// The frame at t: each shard's rows dropped by trunc(-h * g * g), g = (t -
// 0.02 * delay) / 0.7, over `to`; a later row wins where two land together.
std::vector<Pixel> shattered(int w, int h, double t) {
    static constexpr int DELAY[16] = {1, 0, 2, 3, 4, 5, 6, 7, 10, 9, 14, 13, 12, 11, 6, 8};
    std::vector<Pixel> frame(std::size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            frame[std::size_t(y) * w + x] = toAt(y, x);
        }
    }
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double g = (t - DELAY[GlassShatter::shardOf(x, y, w, h)] * 0.02) / 0.7;
            g = g < 0 ? 0 : g;
            const int target = y + static_cast<int>(-h * g * g);
            if (target >= 0 && target < h) {
                frame[std::size_t(target) * w + x] = fromAt(y, x);
            }
        }
    }
    return frame;
}

TEST(GlassShatter, ShardsFallOneAfterAnother) {
    const struct {
        int w, h, elapsed;
    } cases[] = {{64, 48, 300}, {64, 48, 650}, {800, 600, 300}, {800, 600, 980}};
    for (const auto& c : cases) {
        const OriginPicture from(c.w, c.h, FROM_TAG), to(c.w, c.h, TO_TAG);
        TransitionRun run(c.w, c.h, from.pixels, to.pixels);
        run.begin(SLOT);
        run.frame(SLOT, c.elapsed, 1000);
        const std::vector<Pixel> want = shattered(c.w, c.h, c.elapsed / 1000.0);
        expectPixels(
            run.out, c.w, c.h, [&](int r, int col) { return want[std::size_t(r) * c.w + col]; },
            std::to_string(c.w) + "x" + std::to_string(c.h) + " at " + std::to_string(c.elapsed));
        if (c.w == 800 && c.elapsed == 300) {
            // Shard 1 falls first: 110 rows by t = 0.3.
            EXPECT_EQ(run.at(40, 200), fromAt(150, 200));
        }
        run.end(SLOT);
    }
}

TEST(GlassShatter, WithoutItsRunsFramesWriteNothing) {
    const OriginPicture from(16, 12, FROM_TAG), to(16, 12, TO_TAG);
    std::vector<Pixel> out(from.pixels.size(), 0x12345678);
    PictureFrameBlock block;
    block.from = from.pixels.data();
    block.to = to.pixels.data();
    block.out = out.data();
    block.width = 16;
    block.height = 12;
    block.elapsed = 500;
    block.duration = 1000;
    GlassShatter effect;
    effect.frame(block);
    effect.begin(block);
    effect.end(block);
    effect.frame(block);
    EXPECT_EQ(out, std::vector<Pixel>(out.size(), 0x12345678));
}

}  // namespace
}  // namespace effects
