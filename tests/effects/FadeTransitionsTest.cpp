#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "TransitionFixture.h"
#include "effects/PixelBlend.h"

namespace effects {
namespace {

using testing::TransitionRun;

// A pixel with the same value in all four bytes.
Pixel grey(int value) {
    return Pixel(value) * 0x01010101u;
}

TEST(MidCut, CutsAtHalfTheDuration) {
    const std::vector<Pixel> from(4, grey(10)), to(4, grey(200));
    TransitionRun run(2, 2, from, to);
    run.begin(39);
    EXPECT_EQ(run.frame(39, 499, 1001), from);
    EXPECT_EQ(run.frame(39, 500, 1001), to);
    EXPECT_EQ(run.frame(39, 1001, 1001), to);
    run.end(39);
}

TEST(CrossFade, BlendsEachByteInSteps) {
    struct Case {
        int from, to, elapsed, duration, expected;
    };
    const Case cases[] = {
        // At the start 127/128 of the way back to `from`, rounding down.
        {200, 100, 0, 1000, 199},
        {0, 255, 0, 1000, 1},
        {255, 0, 0, 1000, 253},
        // Half-way d = 63: a weight of 64/128, the shift rounding toward -inf.
        {0, 255, 500, 1000, 127},
        {255, 0, 500, 1000, 127},
        {17, 99, 1000, 1000, 99},
        {255, 0, 1000, 1000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.from) + " -> " + std::to_string(c.to) + " at " +
                     std::to_string(c.elapsed));
        const std::vector<Pixel> from(6, grey(c.from)), to(6, grey(c.to));
        TransitionRun run(3, 2, from, to);
        run.begin(41);
        EXPECT_EQ(run.frame(41, c.elapsed, c.duration), std::vector<Pixel>(6, grey(c.expected)));
        run.end(41);
    }
}

TEST(NegativeFlash, FadesToTheNegativeBurnsToWhiteAndFadesIn) {
    // blue 30, green 60, red 90: grey 255 - (90 + 240 + 180) / 9 = 199.
    const std::vector<Pixel> from(4, 0x005A3C1E), to(4, 0x00102030);
    TransitionRun run(2, 2, from, to);
    run.begin(40);
    EXPECT_EQ(run.frame(40, 0, 1000)[0], 0x125A3C1Eu) << "only the colour bytes are written";
    EXPECT_EQ(run.frame(40, 400, 1000)[0], 0x12C7C7C7u);
    const Pixel almostWhite = run.frame(40, 801, 1000)[0];
    for (int shift : {0, 8, 16}) {
        EXPECT_GE((almostWhite >> shift) & 0xFF, 250u);
    }
    EXPECT_EQ(run.frame(40, 1000, 1000)[0] & 0x00FFFFFF, 0x00102030u);
    run.end(40);
}

TEST(NegativeFlash, BurnsEachGreyLevelByTheLevelTable) {
    // At 60 % the level table is 4 * grey - 255, kept at grey below and
    // white above. Pictures of grey x have a negative of 255 - x.
    struct Case {
        int negative, expected;
    };
    const Case cases[] = {{50, 50},   {85, 85},   {86, 89},  {100, 145},
                          {127, 253}, {128, 255}, {200, 255}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.negative);
        const std::vector<Pixel> from(4, grey(255 - c.negative)), to(4, 0);
        TransitionRun run(2, 2, from, to);
        run.begin(40);
        EXPECT_EQ(run.frame(40, 600, 1000)[0] & 0x00FFFFFF, grey(c.expected) & 0x00FFFFFF);
        run.end(40);
    }
}

TEST(FadeThroughImage, HoldsAGeneratedSunburstInTheMiddle) {
    const int w = 64, h = 48;
    const std::vector<Pixel> black(w * h, 0), white(w * h, 0x00FFFFFF);
    TransitionRun one(w, h, black, white);
    TransitionRun other(w, h, white, black);
    one.begin(42);
    other.begin(42);
    const std::vector<Pixel> middle = one.frame(42, 500, 1000);
    EXPECT_EQ(other.frame(42, 600, 1000), middle) << "the sunburst does not depend on the pictures";
    EXPECT_EQ(middle[std::size_t(h / 2) * w + w / 2], 0x00FFFFFFu) << "white-hot centre";
    EXPECT_LT((middle[0] >> 16) & 0xFF, 20u) << "dim corners";
    // Over the first third the outgoing picture fades into it.
    EXPECT_NE(one.frame(42, 200, 1000), middle);
    EXPECT_EQ(one.frame(42, 340, 1000), middle);
    one.end(42);
    other.end(42);

    // The rays' brightness comes from the play generator: another seed,
    // another sunburst.
    TransitionRun reseeded(w, h, black, white, {.seed = 7, .playSeed = 2});
    reseeded.begin(42);
    EXPECT_NE(reseeded.frame(42, 500, 1000), middle);
    reseeded.end(42);
}

TEST(MapWipe, RampsStartAtTheNamedSide) {
    struct Case {
        int slot;
        const char* firstSide;
        int firstRow, firstColumn, lastRow, lastColumn;
    };
    const int w = 40, h = 30;
    const Case cases[] = {
        {68, "top", h - 1, 5, 0, 5},
        {67, "bottom", 0, 5, h - 1, 5},
        {69, "left", 5, 0, 5, w - 1},
        {70, "right", 5, w - 1, 5, 0},
    };
    const std::vector<Pixel> from(w * h, 0), to(w * h, grey(255));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.firstSide);
        TransitionRun run(w, h, from, to);
        run.begin(c.slot);
        // B = 2 * (100 * 63 / 1000) = 12 steps of 32 past the first threshold.
        run.frame(c.slot, 100, 1000);
        EXPECT_EQ(run.at(c.firstRow, c.firstColumn), grey(95));
        EXPECT_EQ(run.at(c.lastRow, c.lastColumn), 0u);
        EXPECT_EQ(run.frame(c.slot, 1000, 1000), to);
        run.end(c.slot);
    }
}

TEST(MapWipe, HardEdgesWaitForTheirThreshold) {
    const int w = 64, h = 48;
    const std::vector<Pixel> from(w * h, 0x00010203), to(w * h, 0x00F0E0D0);
    for (int slot : {44, 45}) {
        SCOPED_TRACE(slot);
        TransitionRun run(w, h, from, to);
        run.begin(slot);
        // d = 20 * 64 / 1000 = 1: no threshold is passed yet.
        EXPECT_EQ(run.frame(slot, 20, 1000), from);
        // Half-way about half the pixels have turned (thresholds 0 to -15 of 32).
        run.frame(slot, 500, 1000);
        std::size_t turned = 0;
        for (Pixel p : run.out) {
            ASSERT_TRUE(p == from[0] || p == to[0]);
            turned += p == to[0];
        }
        EXPECT_NEAR(double(turned) / run.out.size(), 0.5, 0.06);
        EXPECT_EQ(run.frame(slot, 1000, 1000), to);
        run.end(slot);
    }
}

TEST(PrecomputingTransitions, DrawNothingWithoutTheirData) {
    const std::vector<Pixel> from(48, grey(1)), to(48, grey(2));
    const std::vector<Pixel> small(12, grey(3));
    for (int slot : {40, 42, 43, 67}) {
        SCOPED_TRACE(slot);
        TransitionRun run(8, 6, from, to);
        const std::vector<Pixel> untouched = run.out;
        // A frame without Begin.
        EXPECT_EQ(run.frame(slot, 500, 1000), untouched);
        // A frame of another size than Begin saw would read past its data.
        TransitionRun smaller(4, 3, small, small);
        const PictureFrameData begin = smaller.data(0, 100);
        run.registry.runPicture(slot, EFFECT_BEGIN, &begin);
        EXPECT_EQ(run.frame(slot, 500, 1000), untouched);
        // After End the data is gone again.
        run.end(slot);
        EXPECT_EQ(run.frame(slot, 500, 1000), untouched);
    }
}

}  // namespace
}  // namespace effects

namespace effects {
namespace {

std::vector<Pixel> noisePixels(std::size_t count, unsigned seed) {
    std::vector<Pixel> pixels(count);
    std::uint32_t x = seed;
    for (Pixel& p : pixels) {
        x = x * 1664525u + 1013904223u;
        p = x;
    }
    return pixels;
}

// The SSE2 kernels must give the plain code's bytes, the untouched fourth
// byte included, on every phase and on sizes that leave a tail.
TEST(PixelPaths, FastAndPlainGiveTheSameFrames) {
    const int w = 37, h = 23;
    const std::vector<Pixel> from = noisePixels(w * h, 1), to = noisePixels(w * h, 2);
    for (int slot : {40, 43, 44, 45, 67, 68, 69, 70}) {
        SCOPED_TRACE(slot);
        TransitionRun fast(w, h, from, to, {.seed = 1, .pixelPath = PixelPath::Fast});
        TransitionRun plain(w, h, from, to, {.seed = 1, .pixelPath = PixelPath::Plain});
        fast.begin(slot);
        plain.begin(slot);
        for (int elapsed = 0; elapsed <= 1000; elapsed += 7) {
            ASSERT_EQ(fast.frame(slot, elapsed, 1000), plain.frame(slot, elapsed, 1000))
                << "elapsed " << elapsed;
        }
        fast.end(slot);
        plain.end(slot);
    }
}

}  // namespace
}  // namespace effects

namespace effects {
namespace {

// Each soft map kernel, whichever the processor picks and the SSE2 one on its
// own, against the plain code: every weight from below 0 to past 32, runs
// that leave tails of each length, thresholds over the whole byte range, and
// bytes outside the run left alone.
TEST(PixelPaths, SoftMapKernelsMatchThePlainCode) {
    using Kernel =
        void (*)(Pixel*, const Pixel*, const Pixel*, const std::uint8_t*, int, std::size_t);
    const struct {
        const char* name;
        Kernel kernel;
    } kernels[] = {{"fast", mapSoftFast}, {"sse2", mapSoftSse2}};
    const std::size_t count = 16 * 3 + 15;
    const std::vector<Pixel> from = noisePixels(count, 5), to = noisePixels(count, 6);
    const std::vector<Pixel> noise = noisePixels(count + 1, 7);
    std::vector<std::uint8_t> thresholds(count);
    for (std::size_t i = 0; i < count; ++i) {
        thresholds[i] = static_cast<std::uint8_t>(i % 3 == 0 ? i * 37 : i % 64);
    }
    for (const auto& k : kernels) {
        SCOPED_TRACE(k.name);
        for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{7}, std::size_t{8},
                                   std::size_t{9}, std::size_t{17}, count}) {
            for (int base = 0; base <= 130; ++base) {
                std::vector<Pixel> expected = noise, actual = noise;
                mapSoftPlain(expected.data(), from.data(), to.data(), thresholds.data(), base,
                             length);
                k.kernel(actual.data(), from.data(), to.data(), thresholds.data(), base, length);
                ASSERT_EQ(actual, expected) << "length " << length << " base " << base;
            }
        }
    }
}

}  // namespace
}  // namespace effects
