#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameChecks.h"
#include "TransitionFixture.h"
#include "effects/SwingSequence.h"

namespace effects {
namespace {

using testing::COLOUR_BYTES;
using testing::FROM_TAG;
using testing::fromAt;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::toAt;
using Lean = SwingSequence::Lean;

constexpr int W = 800;
constexpr int H = 600;
// The fourth byte of `out` before the frame; lid pixels keep it.
constexpr Pixel KEPT = 0x5A000000;

TEST(SwingSequence, AngleFollowsTheBounceTable) {
    const struct {
        int percent;
        Lean lean;
        int angle;
    } cases[] = {
        {0, Lean::Away, 90},   {16, Lean::Away, 19}, {17, Lean::Toward, 10}, {32, Lean::Toward, 80},
        {48, Lean::Toward, 0}, {49, Lean::Away, 12}, {64, Lean::Away, 0},    {65, Lean::Toward, 10},
        {86, Lean::Toward, 0}, {87, Lean::Away, 9},  {91, Lean::Away, 20},   {100, Lean::Away, 0},
        {-1, Lean::Off, 0},    {101, Lean::Off, 0},
    };
    for (const auto& c : cases) {
        const SwingSequence::Pose pose = SwingSequence::poseAt(c.percent);
        EXPECT_EQ(pose.lean, c.lean) << c.percent;
        EXPECT_EQ(pose.angle, c.angle) << c.percent;
    }
}

struct Swing : ::testing::Test {
    OriginPicture from{W, H, FROM_TAG}, to{W, H, TO_TAG};
    std::vector<Pixel> out = std::vector<Pixel>(std::size_t(W) * H, KEPT);
    SwingSequence effect;

    const std::vector<Pixel>& draw(int elapsed, int duration) {
        std::fill(out.begin(), out.end(), KEPT);
        PictureFrameBlock b;
        b.from = from.pixels.data();
        b.to = to.pixels.data();
        b.out = out.data();
        b.width = W;
        b.height = H;
        b.elapsed = elapsed;
        b.duration = duration;
        effect.frame(b);
        return out;
    }
    Pixel at(int r, int c) const { return out[std::size_t(r) * W + c]; }
    static Pixel lid(int r, int c) { return KEPT | (toAt(r, c) & COLOUR_BYTES); }
};

TEST_F(Swing, EndsAndFlatAnglesShowOnePicture) {
    EXPECT_EQ(draw(0, 100), from.pixels);  // 90 degrees: the lid has no height
    EXPECT_EQ(draw(64, 100), to.pixels);   // flat, leaning away: a copy
    EXPECT_EQ(draw(100, 100), to.pixels);
    // Flat but leaning toward the viewer: the lid is `to`, unscaled, in the
    // colour bytes.
    for (int percent : {48, 86}) {
        draw(percent, 100);
        testing::expectPixels(out, W, H, lid, std::to_string(percent) + " %");
    }
}

TEST_F(Swing, OutsideTheTransitionNothingIsDrawn) {
    EXPECT_EQ(draw(101, 100), std::vector<Pixel>(out.size(), KEPT));
    EXPECT_EQ(draw(-1, 1), std::vector<Pixel>(out.size(), KEPT));
}

TEST_F(Swing, HighestBounceOverhangsTheScreen) {
    // 32 %: 80 degrees toward the viewer. D = 2000, g = 2000 - 590 = 1410,
    // the lid is 2000 * 104 / 1410 = 147 rows high from row 453 and its free
    // edge overhangs by 167 on each side: the screen sees columns 117 on of
    // a row stretched to 1134.
    draw(32, 100);
    for (int c = 0; c < W; c += 37) {
        ASSERT_EQ(at(452, c), fromAt(452, c)) << c;
    }
    EXPECT_EQ(at(453, 0), lid(0, 117));
    EXPECT_EQ(at(453, 1), lid(0, 117));
    EXPECT_EQ(at(453, 799), lid(0, 117 + 799 * 800 / 1134));
    EXPECT_EQ(at(454, 0), lid(4, 116));  // next row: overhang 165
    EXPECT_EQ(at(599, 799), lid(595, 797));
}

TEST_F(Swing, LeaningAwayIsATrapezoid) {
    // 8 %: 73 degrees. g = 573 + 2000, the free edge is 621 wide, the lid 136
    // rows high from row 464 with its free edge inset by 89.
    draw(8, 100);
    EXPECT_EQ(at(463, 400), fromAt(463, 400));
    EXPECT_EQ(at(464, 88), fromAt(464, 88));
    EXPECT_EQ(at(464, 89), lid(0, 0));
    EXPECT_EQ(at(464, 90), lid(0, 1));
    EXPECT_EQ(at(464, 710), lid(0, 798));
    EXPECT_EQ(at(464, 711), fromAt(464, 711));
    // Half-way up: inset 44, 712 wide, source row 300.
    EXPECT_EQ(at(532, 43), fromAt(532, 43));
    EXPECT_EQ(at(532, 44 + 711), lid(300, 711 * 800 / 712));
    EXPECT_EQ(at(599, 0), lid(595, 0));
    EXPECT_EQ(at(599, 799), lid(595, 799));
}

}  // namespace
}  // namespace effects
