#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "FrameChecks.h"
#include "TransitionFixture.h"
#include "effects/RippleDissolve.h"

namespace effects {
namespace {

using testing::FROM_TAG;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::toAt;

constexpr double PI = 3.141592653589793;

std::vector<Pixel> noise(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Pixel> pixels(count);
    for (Pixel& p : pixels) {
        p = random();
    }
    return pixels;
}

struct Ripple {
    int w, h;
    std::vector<Pixel> from, to, out;
    RippleDissolve effect;

    Ripple(int width, int height, std::vector<Pixel> f, std::vector<Pixel> t,
           PixelPath path = PixelPath::Fast)
        : w(width),
          h(height),
          from(std::move(f)),
          to(std::move(t)),
          out(std::size_t(w) * h, 0x12345678),
          effect(path) {}

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
    const std::vector<Pixel>& draw(int elapsed, int duration) {
        effect.frame(block(elapsed, duration));
        return out;
    }
    Pixel at(int r, int c) const { return out[std::size_t(r) * w + c]; }
};

TEST(RippleDissolve, CentreBlockIsNeverDisplaced) {
    Ripple ripple(800, 600, std::vector<Pixel>(480000), std::vector<Pixel>(480000));
    ripple.effect.begin(ripple.block(0, 100));
    EXPECT_EQ(ripple.effect.wavelength(), 100);
    const RippleDissolve::BlockWave centre = ripple.effect.blockAt(400, 300);
    EXPECT_EQ(centre.phase, 100);
    EXPECT_EQ(centre.across, 0);
    EXPECT_EQ(centre.along, 0);
    // Straight right of the centre the ripple pushes along rows only.
    const RippleDissolve::BlockWave right = ripple.effect.blockAt(500, 300);
    EXPECT_EQ(right.phase, 100);
    EXPECT_EQ(right.across, 31);
    EXPECT_EQ(right.along, 0);
    EXPECT_EQ(ripple.effect.blockAt(450, 300).phase, 50);
}

TEST(RippleDissolve, SourceCornersReflectAtTheEdges) {
    const struct {
        int position, length, reflected;
    } cases[] = {
        {-3, 800, 3},
        {0, 800, 0},
        {798, 800, 798},
        {799, 800, 797},
        {805, 800, 791},
        {-30, 600, 30},
        {599, 600, 597},
        {-1, 600, 1},
        // Frames narrower than the largest displacement stay inside.
        {-30, 8, 6},
        {40, 8, 0},
        {1, 2, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RippleDissolve::reflect(c.position, c.length), c.reflected)
            << c.position << " in " << c.length;
    }
}

TEST(RippleDissolve, HalfWayBlendFollowsThePhase) {
    // t = 0.5: offset 63 and phase shift 50, so the centre block's phase is
    // 50 with cosine -31: weight 31, 96/128 of `from`, all four bytes.
    Ripple ripple(800, 600, std::vector<Pixel>(480000, 0xC8C8C8C8),
                  std::vector<Pixel>(480000, 0x28282828));
    ripple.effect.begin(ripple.block(0, 100));
    ripple.draw(500, 1000);
    const Pixel mix = 0x28 + ((0xA0 * 96) >> 7);
    EXPECT_EQ(ripple.at(300, 400), mix * 0x01010101u);
    EXPECT_EQ(ripple.at(301, 401), mix * 0x01010101u);
    // Phase 0 this frame (distance 50): cosine 31, weight 93, 34/128 of `from`.
    EXPECT_EQ(ripple.at(300, 450), (0x28 + ((0xA0 * 34) >> 7)) * 0x01010101u);
}

TEST(RippleDissolve, LastFrameIsToExceptWhereTheCosineIsMinusOne) {
    const std::size_t count = 800 * 600;
    Ripple ripple(800, 600, noise(count, 1), noise(count, 2));
    ripple.effect.begin(ripple.block(0, 100));
    ripple.draw(1000, 1000);
    int near = 0;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            const int bx = x & ~1, by = y & ~1;
            const int d = static_cast<int>(
                std::sqrt(double((bx - 400) * (bx - 400) + (by - 300) * (by - 300))));
            const Pixel got = ripple.at(y, x), want = ripple.to[std::size_t(y) * 800 + x];
            if (d % 100 != 50) {
                ASSERT_EQ(got, want) << "row " << y << " column " << x;
                continue;
            }
            for (int shift = 0; shift < 32; shift += 8) {
                ASSERT_LE(std::abs(int((got >> shift) & 0xFF) - int((want >> shift) & 0xFF)), 2);
            }
            near += got != want;
        }
    }
    EXPECT_GT(near, 0);
}

// At t = 0.75 the ripples are at full height and blocks whose phase has a
// cosine of 18 or more show `to` alone, at their displaced source corner.
TEST(RippleDissolve, DisplacesBlocksAlongTheRipple) {
    const int w = 800, h = 600, wavelength = 100;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    Ripple ripple(w, h, from.pixels, to.pixels);
    ripple.effect.begin(ripple.block(0, 100));
    ripple.draw(750, 1000);
    const int amplitude = 63, offset = 110, shift = 25;
    auto reflect = [](int p, int length) {
        return p < 0 ? -p : p >= length - 1 ? 2 * length - 4 - p : p;
    };
    int checked = 0, moved = 0;
    for (int y = 0; y < h; y += 38) {
        for (int x = 0; x < w; x += 2) {
            const int ax = std::abs(x - 400), ay = std::abs(y - 300);
            const int d = static_cast<int>(std::sqrt(double(ax * ax + ay * ay)));
            const int q = (wavelength - d % wavelength + shift) % wavelength;
            const int cosine = static_cast<int>(std::cos(2 * PI * q / wavelength) * 31);
            if (cosine + offset - 1 < 127) {
                continue;
            }
            const int sine = static_cast<int>(std::sin(2 * PI * q / wavelength) * 127);
            const int across = d == 0 ? 0 : ax * 31 / d, along = d == 0 ? 0 : ay * 31 / d;
            const int sx = reflect(x + ((sine * amplitude * across) >> 13), w);
            const int sy = reflect(y + ((sine * amplitude * along) >> 13), h);
            for (int j : {0, 1}) {
                for (int i : {0, 1}) {
                    ASSERT_EQ(ripple.at(y + j, x + i), toAt(sy + j, sx + i))
                        << "block " << x << ", " << y;
                }
            }
            ++checked;
            moved += sx != x || sy != y;
        }
    }
    EXPECT_GT(checked, 1000);
    EXPECT_GT(moved, 500);
}

// The fast path takes, where the processor has AVX2, the keyed two-block
// kernel inside, the reflecting one near the edges (all of a frame not
// much wider than the ripples' reach) and, for moves beyond that reach
// (progress past the end, which the registry never asks for), the SSE2
// block at a time; each must give the plain code's bytes.
TEST(RippleDissolve, FastAndPlainPathsAgree) {
    const struct {
        int w, h;
    } sizes[] = {{1280, 1024}, {801, 599}, {800, 600}, {480, 640}, {66, 66},
                 {64, 48},     {37, 21},   {2, 2},     {1, 5}};
    for (const auto& size : sizes) {
        const std::size_t count = std::size_t(size.w) * size.h;
        Ripple fast(size.w, size.h, noise(count, 3), noise(count, 4), PixelPath::Fast);
        Ripple plain(size.w, size.h, noise(count, 3), noise(count, 4), PixelPath::Plain);
        fast.effect.begin(fast.block(0, 100));
        plain.effect.begin(plain.block(0, 100));
        for (int elapsed : {0, 100, 250, 333, 500, 650, 790, 900, 1000, 1500}) {
            ASSERT_EQ(fast.draw(elapsed, 1000), plain.draw(elapsed, 1000))
                << size.w << "x" << size.h << " at " << elapsed;
        }
    }
}

TEST(RippleDissolve, OddAndTinyFramesWriteEveryPixel) {
    // With both pictures one colour every blend is that colour.
    for (const auto& size :
         {std::pair{37, 21}, std::pair{2, 2}, std::pair{1, 5}, std::pair{7, 1}}) {
        const std::size_t count = std::size_t(size.first) * size.second;
        Ripple ripple(size.first, size.second, std::vector<Pixel>(count, 0x80402010),
                      std::vector<Pixel>(count, 0x80402010));
        ripple.effect.begin(ripple.block(0, 100));
        EXPECT_EQ(ripple.draw(400, 1000), std::vector<Pixel>(count, 0x80402010))
            << size.first << "x" << size.second;
    }
}

TEST(RippleDissolve, WithoutItsTablesFramesWriteNothing) {
    Ripple ripple(64, 48, noise(64 * 48, 1), noise(64 * 48, 2));
    ripple.draw(500, 1000);
    ripple.effect.begin(ripple.block(0, 100));
    ripple.effect.end(ripple.block(0, 100));
    ripple.draw(500, 1000);
    EXPECT_EQ(ripple.out, std::vector<Pixel>(ripple.out.size(), 0x12345678));
}

}  // namespace
}  // namespace effects
