#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameChecks.h"
#include "TransitionFixture.h"
#include "effects/DiagonalSqueeze.h"
#include "effects/RandomGenerator.h"

namespace effects {
namespace {

using testing::expectPixels;
using testing::FROM_TAG;
using testing::fromAt;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::toAt;

constexpr Pixel UNTOUCHED = 0x12345678;

// A generator whose first draw gives the wanted orientation.
RandomGenerator drawing(bool runsRight) {
    std::uint32_t seed = 1;
    while (((RandomGenerator(seed).next() & 1) != 0) != runsRight) {
        ++seed;
    }
    return RandomGenerator(seed);
}

struct Squeeze {
    OriginPicture from, to;
    std::vector<Pixel> out;
    RandomGenerator random;
    DiagonalSqueeze effect{random};

    Squeeze(int w, int h, bool runsRight)
        : from(w, h, FROM_TAG),
          to(w, h, TO_TAG),
          out(std::size_t(w) * h, UNTOUCHED),
          random(drawing(runsRight)) {}

    PictureFrameBlock block(int elapsed, int duration) {
        PictureFrameBlock b;
        b.from = from.pixels.data();
        b.to = to.pixels.data();
        b.out = out.data();
        b.width = from.width;
        b.height = from.height;
        b.elapsed = elapsed;
        b.duration = duration;
        return b;
    }
    Pixel at(int row, int column) const { return out[std::size_t(row) * from.width + column]; }
};

TEST(DiagonalSqueeze, ProfileIsFullAtBothEndsAndNearZeroInTheMiddle) {
    Squeeze s(800, 600, true);
    s.effect.begin(s.block(0, 100));
    const std::vector<std::uint32_t>& profile = s.effect.profile();
    // G = trunc(1400 * 0.7), which the floating product puts at 979.
    ASSERT_EQ(profile.size(), 980u);
    EXPECT_EQ(profile.front(), 65536u);
    EXPECT_EQ(profile.back(), 65536u);
    EXPECT_EQ(profile[489], 134u);
    EXPECT_EQ(profile[490], 134u);
    for (std::size_t i = 1; i <= 489; ++i) {
        ASSERT_LE(profile[i], profile[i - 1]) << i;
        ASSERT_EQ(profile[i], profile[979 - i]) << i;
    }
}

TEST(DiagonalSqueeze, EndPointsAreExactInBothOrientationsAndShapes) {
    const struct {
        int w, h;
        bool runsRight;
    } cases[] = {{40, 30, true}, {40, 30, false}, {30, 40, true}, {30, 40, false}, {16, 16, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) +
                     (c.runsRight ? " up-right" : " up-left"));
        Squeeze s(c.w, c.h, c.runsRight);
        s.effect.begin(s.block(0, 100));
        EXPECT_EQ(s.effect.runsRight(), c.runsRight);
        s.effect.frame(s.block(0, 1000));
        EXPECT_EQ(s.out, s.from.pixels);
        s.effect.frame(s.block(1000, 1000));
        EXPECT_EQ(s.out, s.to.pixels);
        // Half-way every pixel is black or comes from one of the pictures.
        s.effect.frame(s.block(500, 1000));
        for (Pixel p : s.out) {
            ASSERT_TRUE(p == 0 || (p >> 24) == FROM_TAG || (p >> 24) == TO_TAG) << std::hex << p;
        }
    }
}

// 10 x 6: G = 11 and P = 27 * elapsed / duration. At P = 13 the diagonal
// from the bottom-left corner has index 8, size 46039 / 65536 about its split
// 3: five pixels of `to` sampled 6/5 apart, then one black.
TEST(DiagonalSqueeze, SamplesTheWholeSourceDiagonalIntoTheRun) {
    Squeeze right(10, 6, true);
    right.effect.begin(right.block(0, 100));
    ASSERT_EQ(right.effect.profile()[8], 46039u);
    right.effect.frame(right.block(13, 27));
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(right.at(k, k), toAt(k, k)) << k;
    }
    EXPECT_EQ(right.at(5, 5), 0u);
    // The top-left pixel is its own diagonal, already past the front.
    EXPECT_EQ(right.at(5, 0), toAt(5, 0));

    // Up-left from the bottom-right corner: the column shrinks by 6/5 per
    // pixel and is rounded down, so the samples leave the diagonal.
    Squeeze left(10, 6, false);
    left.effect.begin(left.block(0, 100));
    left.effect.frame(left.block(13, 27));
    const int sourceColumn[] = {9, 7, 6, 5, 4};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(left.at(k, 9 - k), toAt(k, sourceColumn[k])) << k;
    }
    EXPECT_EQ(left.at(5, 4), 0u);
}

TEST(DiagonalSqueeze, WithoutItsProfileFramesWriteNothing) {
    Squeeze s(40, 30, true);
    s.effect.frame(s.block(500, 1000));  // no Begin
    s.effect.begin(s.block(0, 100));
    s.effect.end(s.block(0, 100));
    s.effect.frame(s.block(500, 1000));  // after End
    PictureFrameBlock noPictures;
    s.effect.begin(noPictures);
    s.effect.frame(s.block(500, 1000));
    EXPECT_EQ(s.out, std::vector<Pixel>(s.out.size(), UNTOUCHED));
}

TEST(DiagonalSqueeze, OrientationComesFromTheRegistrysPlayGenerator) {
    // Two registries with the same play seed draw the same frames; the
    // orientation is the first draw's low bit.
    const OriginPicture from(40, 30, FROM_TAG), to(40, 30, TO_TAG);
    std::vector<std::vector<Pixel>> frames;
    for (std::uint32_t playSeed : {5u, 5u, 6u}) {
        testing::TransitionRun run(40, 30, from.pixels, to.pixels,
                                   {.seed = 7, .playSeed = playSeed});
        run.begin(97);
        frames.push_back(run.frame(97, 400, 1000));
        run.end(97);
    }
    EXPECT_EQ(frames[0], frames[1]);
    const bool sameOrientation = (RandomGenerator(5).next() & 1) == (RandomGenerator(6).next() & 1);
    EXPECT_EQ(frames[0] == frames[2], sameOrientation);
}

}  // namespace
}  // namespace effects
