#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "FrameChecks.h"
#include "TransitionFixture.h"
#include "effects/CircleReveal.h"

namespace effects {
namespace {

using testing::COLOUR_BYTES;
using testing::expectPixels;

constexpr Pixel FROM = 0x11203040;  // fourth byte 0x11
constexpr Pixel TO = 0x22F0C810;    // fourth byte 0x22
constexpr Pixel KEPT = 0x5A000000;  // out's fourth byte, kept by blends

std::vector<Pixel> noise(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Pixel> pixels(count);
    for (Pixel& p : pixels) {
        p = random();
    }
    return pixels;
}

int root(long long squared) {
    return static_cast<int>(std::sqrt(static_cast<double>(squared)));
}

// a + (((b - a) * w) >> 8) on the colour bytes, out's fourth byte.
Pixel blended(Pixel a, Pixel b, int w) {
    Pixel result = KEPT;
    for (int shift = 0; shift < 24; shift += 8) {
        const int x = (a >> shift) & 0xFF;
        const int y = (b >> shift) & 0xFF;
        result |= Pixel((x + (((y - x) * w) >> 8)) & 0xFF) << shift;
    }
    return result;
}

struct Reveal {
    int w, h;
    std::vector<Pixel> from, to, out;
    CircleReveal effect;

    Reveal(int width, int height)
        : w(width),
          h(height),
          from(std::size_t(w) * h, FROM),
          to(std::size_t(w) * h, TO),
          out(std::size_t(w) * h, KEPT) {}

    PictureFrameBlock block(int elapsed, int duration) {
        PictureFrameBlock b;
        b.from = from.data();
        b.to = to.data();
        b.out = out.data();
        b.width = w;
        b.height = h;
        b.elapsed = elapsed;
        b.duration = duration;
        return b;
    }
    // Draws the frame whose outer radius is n.
    void drawRadius(int n) {
        const int total = effect.radius() + static_cast<int>(effect.weights().size()) - 1;
        std::fill(out.begin(), out.end(), KEPT);
        effect.frame(block(n, total));
    }
    Pixel at(int r, int c) const { return out[std::size_t(r) * w + c]; }

    // The frame at outer radius n, pixel by pixel from its distance to the
    // centre: inside a small circle `from` blends toward `to`; a large one
    // has a solid centre and a rim where `to` blends toward `from`. Blended
    // pixels keep whatever fourth byte the pixel had, which depends on the
    // order of the copies; only their colour bytes are compared.
    Pixel expected(int n, int r, int c) const {
        const std::vector<std::uint8_t>& weight = effect.weights();
        const int rim = static_cast<int>(weight.size()) - 1;
        const int cx = w / 2, cy = h / 2;
        const long long i = std::abs(r - cy), j = std::abs(c - cx);
        if (i > n) {
            return FROM;
        }
        const int chord = root(1LL * n * n - i * i);
        const int distance = root(i * i + j * j);
        if (n <= rim) {
            return i < n && j <= chord ? blended(FROM, TO, weight[n - distance]) : FROM;
        }
        const int e = n - rim;
        const int inner = e < i ? 0 : root(1LL * e * e - i * i);
        if (j >= inner && j <= chord) {
            const int delta = distance - e;
            return blended(TO, FROM, weight[delta == rim ? rim : delta + 1]);
        }
        return j < inner ? TO : FROM;
    }
};

TEST(CircleReveal, WeightCurveRisesFromZero) {
    Reveal reveal(800, 600);
    reveal.effect.begin(reveal.block(0, 100));
    EXPECT_EQ(reveal.effect.radius(), 500);
    const std::vector<std::uint8_t>& weight = reveal.effect.weights();
    ASSERT_EQ(weight.size(), 101u);  // rim 100
    EXPECT_EQ(weight[0], 0);
    EXPECT_EQ(weight[50], 125);
    EXPECT_EQ(weight[100], 254);
    for (std::size_t i = 1; i < weight.size(); ++i) {
        ASSERT_GE(weight[i], weight[i - 1]) << i;
    }
}

TEST(CircleReveal, GrowsFromABlendToASolidCircleWithASoftRim) {
    const struct {
        int w, h;
        std::vector<int> radii;
    } cases[] = {
        {800, 600, {1, 50, 100, 101, 250, 400, 599}},
        // Wider than its rim: the circle passes the top and bottom first.
        {64, 16, {3, 6, 7, 20, 30, 40}},
        // Flatter than its rim is wide: rows of the small circle fall outside.
        {64, 4, {2, 5, 6, 7, 20, 37}},
    };
    for (const auto& c : cases) {
        Reveal reveal(c.w, c.h);
        reveal.effect.begin(reveal.block(0, 100));
        for (int n : c.radii) {
            reveal.drawRadius(n);
            std::vector<Pixel> seen = reveal.out;
            for (int r = 0; r < c.h; ++r) {
                for (int col = 0; col < c.w; ++col) {
                    Pixel& p = seen[std::size_t(r) * c.w + col];
                    if ((reveal.expected(n, r, col) & ~COLOUR_BYTES) == KEPT) {
                        p = KEPT | (p & COLOUR_BYTES);
                    }
                }
            }
            expectPixels(
                seen, c.w, c.h, [&](int r, int col) { return reveal.expected(n, r, col); },
                std::to_string(c.w) + "x" + std::to_string(c.h) + ", radius " + std::to_string(n));
        }
    }
}

TEST(CircleReveal, FiguresOn800x600) {
    Reveal reveal(800, 600);
    reveal.effect.begin(reveal.block(0, 100));
    const std::vector<std::uint8_t>& weight = reveal.effect.weights();
    // n = 50: all blend; the centre has weight T[50], the edge of row 300 none.
    reveal.drawRadius(50);
    EXPECT_EQ(reveal.at(300, 400), blended(FROM, TO, weight[50]));  // keeps out's fourth byte
    EXPECT_EQ(reveal.at(300, 450) & COLOUR_BYTES, FROM & COLOUR_BYTES);
    EXPECT_EQ(reveal.at(300, 451), FROM);
    EXPECT_EQ(reveal.at(250, 400), FROM);
    // n = 400: the solid centre has radius 300; its narrowest runs are rows
    // 1 and 599, 48 pixels around column 400; row 0 has none of it.
    reveal.drawRadius(400);
    for (int r : {1, 599}) {
        EXPECT_NE(reveal.at(r, 375), TO) << r;
        for (int c = 376; c < 424; ++c) {
            ASSERT_EQ(reveal.at(r, c), TO) << r << " " << c;
        }
        EXPECT_NE(reveal.at(r, 424), TO) << r;
    }
    for (int c = 0; c < 800; ++c) {
        ASSERT_NE(reveal.at(0, c), TO) << c;
    }
    // The ends copy whole pictures.
    reveal.effect.frame(reveal.block(0, 600));
    EXPECT_EQ(reveal.out, reveal.from);
    reveal.effect.frame(reveal.block(600, 600));
    EXPECT_EQ(reveal.out, reveal.to);
}

// The rim is blended four pixels at a time where the processor allows; the
// plain per-pixel code is the reference. Noise pictures and an output full of
// leftovers: a blend keeps whatever fourth byte the output had, so a run that
// starts or ends one pixel off shows up there too. Sizes with odd widths,
// frames far wider or taller than the circle, and every phase of the reveal.
TEST(CircleReveal, FastAndPlainRimsGiveTheSameBytes) {
    const struct {
        int w, h;
    } sizes[] = {{800, 600}, {801, 599}, {480, 640}, {300, 8}, {9, 120}, {3, 2}};
    for (const auto& size : sizes) {
        const std::size_t count = std::size_t(size.w) * size.h;
        const std::vector<Pixel> from = noise(count, 5), to = noise(count, 6);
        std::vector<Pixel> fastOut = noise(count, 7), plainOut = fastOut;
        CircleReveal fast(PixelPath::Fast), plain(PixelPath::Plain);
        PictureFrameBlock block;
        block.from = from.data();
        block.to = to.data();
        block.out = fastOut.data();
        block.width = size.w;
        block.height = size.h;
        block.elapsed = 0;
        block.duration = 100;
        fast.begin(block);
        plain.begin(block);
        ASSERT_FALSE(fast.weights().empty());
        for (int elapsed : {1, 20, 77, 150, 333, 500, 640, 800, 950, 999}) {
            block.elapsed = elapsed;
            block.duration = 1000;
            block.out = fastOut.data();
            fast.frame(block);
            block.out = plainOut.data();
            plain.frame(block);
            ASSERT_EQ(fastOut, plainOut) << size.w << "x" << size.h << " at " << elapsed;
        }
    }
}

TEST(CircleReveal, WithoutItsWeightsFramesWriteNothing) {
    Reveal reveal(64, 48);
    reveal.effect.frame(reveal.block(500, 1000));
    reveal.effect.begin(reveal.block(0, 100));
    reveal.effect.end(reveal.block(0, 100));
    reveal.effect.frame(reveal.block(500, 1000));
    EXPECT_EQ(reveal.out, std::vector<Pixel>(reveal.out.size(), KEPT));
}

}  // namespace
}  // namespace effects
