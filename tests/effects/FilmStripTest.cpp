#include <gtest/gtest.h>

#include <string>

#include "FrameCheck.h"
#include "TransitionFixture.h"
#include "effects/FilmStrip.h"

namespace effects {
namespace {

using testing::expectPixels;
using testing::FROM_TAG;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::TransitionRun;

constexpr int FILM_STRIP = 85;
constexpr Pixel BLACK = FilmStrip::BLACK;
constexpr Pixel WHITE = FilmStrip::WHITE;

// 64 x 72: bands of 9 rows (perforations in their rows 3 to 5), side bars
// of 4 columns, perforation runs of 3 pixels.
constexpr int W = 64, H = 72, BAND = 9, BAR = 4, RUN = 3;

enum class Kind { Picture, Solid, Holes };
Kind kindOf(int row) {
    const int inBand = row < BAND ? row : row >= H - BAND ? row - (H - BAND) : -1;
    if (inBand < 0) {
        return Kind::Picture;
    }
    return inBand >= 3 && inBand < 6 ? Kind::Holes : Kind::Solid;
}

// The film look at strength f over a picture: bands and bars scaled by
// f / 64, holes (runs from the left, the first a hole) lifted toward white.
Pixel filmLook(const OriginPicture& p, int f, int row, int column) {
    const Pixel v = p.at(row, column);
    const auto each = [&](auto byte) {
        Pixel result = v & 0xFF000000;
        for (int shift : {0, 8, 16}) {
            result |= (Pixel(byte(int(v >> shift & 0xFF))) & 0xFF) << shift;
        }
        return result;
    };
    const auto darken = [&] { return each([f](int b) { return (b * f) >> 6; }); };
    switch (kindOf(row)) {
        case Kind::Solid:
            return darken();
        case Kind::Holes:
            return (column / RUN) % 2 == 0 ? each([f](int b) { return ((f * (b - 255)) >> 6) - 1; })
                                           : darken();
        case Kind::Picture:
            return column < BAR || column >= W - BAR ? darken() : v;
    }
    return 0;
}

// The strip moved `offset` columns: `from` followed by `to`, each with its
// bars; perforations white on even runs counted along the strip.
Pixel slid(const OriginPicture& from, const OriginPicture& to, int offset, int row, int column) {
    const int along = column - offset;  // position on the strip
    switch (kindOf(row)) {
        case Kind::Solid:
            return BLACK;
        case Kind::Holes:
            return (along / RUN) % 2 == 0 ? WHITE : BLACK;
        case Kind::Picture: {
            const int inFrame = along % W;
            if (inFrame < BAR || inFrame >= W - BAR) {
                return BLACK;
            }
            return along < W ? from.at(row, along) : to.at(row, along - W);
        }
    }
    return 0;
}

TEST(FilmStrip, FadesTheLookInSlidesAndFadesItOut) {
    const OriginPicture from(W, H, FROM_TAG), to(W, H, TO_TAG);
    const struct {
        const char* what;
        int elapsed;
        testing::Expected expected;
    } cases[] = {
        {"start: from at 63/64", 0, [&](int r, int c) { return filmLook(from, 63, r, c); }},
        {"phase 0 half through: e = 31", 62,
         [&](int r, int c) { return filmLook(from, 32, r, c); }},
        {"an eighth: from in the strip", 125,
         [&](int r, int c) { return slid(from, to, 0, r, c); }},
        // o = 64 * 680 / 1000 / -6 = -7: the runs start one pixel into a
        // white run.
        {"slide by 7", 210, [&](int r, int c) { return slid(from, to, -7, r, c); }},
        {"half-way: half a frame along", 500,
         [&](int r, int c) { return slid(from, to, -32, r, c); }},
        {"seven eighths: to with the full look", 875,
         [&](int r, int c) { return filmLook(to, 0, r, c); }},
        {"end: to at 63/64", 1000, [&](int r, int c) { return filmLook(to, 63, r, c); }},
    };
    TransitionRun run(W, H, from.pixels, to.pixels);
    run.begin(FILM_STRIP);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        run.frame(FILM_STRIP, c.elapsed, 1000);
        expectPixels(run, c.expected);
    }
    run.end(FILM_STRIP);
}

// The full look, spelt out: black bands and bars, white holes, each
// keeping the picture's fourth byte.
TEST(FilmStrip, FullLookIsBlackBandsAndWhiteHoles) {
    const OriginPicture from(W, H, FROM_TAG), to(W, H, TO_TAG);
    TransitionRun run(W, H, from.pixels, to.pixels);
    run.begin(FILM_STRIP);
    run.frame(FILM_STRIP, 875, 1000);
    const Pixel tag = Pixel{TO_TAG} << 24;
    EXPECT_EQ(run.at(0, 10), tag);
    EXPECT_EQ(run.at(3, 0), tag | 0xFFFFFF);
    EXPECT_EQ(run.at(3, 3), tag);
    EXPECT_EQ(run.at(H - 4, 6), tag | 0xFFFFFF);
    EXPECT_EQ(run.at(20, 2), tag);
    EXPECT_EQ(run.at(20, W - 1), tag);
    EXPECT_EQ(run.at(20, 10), to.at(20, 10));
    run.end(FILM_STRIP);
}

}  // namespace
}  // namespace effects
