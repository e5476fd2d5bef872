#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameChecks.h"
#include "TransitionFixture.h"

namespace effects {
namespace {

using testing::expectPixels;
using testing::FROM_TAG;
using testing::fromAt;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::toAt;
using testing::TransitionRun;

constexpr int SLOT = 89;

// The doors of a w x h frame at elapsed / duration, pixel by pixel in
// closed form: centre strip, door columns squeezed toward their inner edge,
// then the corners of `to` above and below them.
Pixel doorsAt(int w, int h, int elapsed, int duration, int r, int c) {
    const int e = elapsed * w / duration;
    const int strip = e & ~1;
    const int n = (w - strip) / 2;
    const int t = ((elapsed * h / duration) & ~1) / 2 / 2;
    if (c >= n && c < n + strip) {
        return toAt(r, c);
    }
    const bool right = c >= n + strip;
    const int i = right ? w - 1 - c : c;
    if (t > 0) {
        const int k = r < t ? n * (t - r) / t : r >= h - t ? n * (r - (h - t)) / t : 0;
        if (i >= n - k) {
            return toAt(r, c);
        }
    }
    const int a = i * (w / 2) / n;
    const int m = i * t / n;
    const int o = h - 2 * m;
    // Rows the door leaves open are always in a corner.
    EXPECT_TRUE(r >= m && r < m + o) << "row " << r << " column " << c;
    return fromAt((r - m) * h / o, right ? w - 1 - a : a);
}

TEST(SideDoors, OpenFromTheCentre) {
    const struct {
        const char* what;
        int w, h, elapsed, duration;
    } cases[] = {
        {"half time on 800 x 600", 800, 600, 500, 1000},
        {"first frames: t = 0, doors at full height", 800, 600, 5, 1000},
        {"a quarter in", 64, 48, 250, 1000},
        {"nearly open", 64, 48, 990, 1000},
    };
    for (const auto& c : cases) {
        const OriginPicture from(c.w, c.h, FROM_TAG), to(c.w, c.h, TO_TAG);
        TransitionRun run(c.w, c.h, from.pixels, to.pixels);
        run.begin(SLOT);
        run.frame(SLOT, c.elapsed, c.duration);
        expectPixels(
            run.out, c.w, c.h,
            [&](int r, int col) { return doorsAt(c.w, c.h, c.elapsed, c.duration, r, col); },
            c.what);
        run.end(SLOT);
    }
}

TEST(SideDoors, HalfTimeFigures) {
    // e = 400, strip 400, doors 200 wide, t = 75: door column 199 is inset
    // by 74 rows, 452 high, and shows source column 398; row 0 is all `to`.
    const OriginPicture from(800, 600, FROM_TAG), to(800, 600, TO_TAG);
    TransitionRun run(800, 600, from.pixels, to.pixels);
    run.frame(SLOT, 500, 1000);
    for (int c = 0; c < 800; ++c) {
        ASSERT_EQ(run.at(0, c), toAt(0, c)) << c;
    }
    EXPECT_EQ(run.at(73, 199), toAt(73, 199));
    EXPECT_EQ(run.at(74, 199), toAt(74, 199));  // the corner reaches the door's first row
    EXPECT_EQ(run.at(75, 199), fromAt(1, 398));
    EXPECT_EQ(run.at(525, 199), fromAt(598, 398));
    EXPECT_EQ(run.at(526, 199), toAt(526, 199));
    EXPECT_EQ(run.at(75, 600), fromAt(1, 401));
}

TEST(SideDoors, ShowsFromUntilTheOpeningIsTwoColumns) {
    const OriginPicture from(800, 600, FROM_TAG), to(800, 600, TO_TAG);
    TransitionRun run(800, 600, from.pixels, to.pixels);
    // e = elapsed * 800 / 1000: 0 and 1 show `from`, 2 opens.
    EXPECT_EQ(run.frame(SLOT, 2, 1000), from.pixels);
    EXPECT_NE(run.frame(SLOT, 3, 1000), from.pixels);
    EXPECT_EQ(run.frame(SLOT, 1000, 1000), to.pixels);
}

TEST(SideDoors, OddWidthLeavesNoPixelUnwritten) {
    // Stages are even; an odd width gives the centre strip the spare column.
    for (int elapsed : {300, 500, 800}) {
        const OriginPicture from(11, 8, FROM_TAG), to(11, 8, TO_TAG);
        TransitionRun run(11, 8, from.pixels, to.pixels);
        for (Pixel p : run.frame(SLOT, elapsed, 1000)) {
            ASSERT_TRUE((p >> 24) == FROM_TAG || (p >> 24) == TO_TAG) << elapsed;
        }
    }
}

}  // namespace
}  // namespace effects
