#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "TransitionFixture.h"
#include "effects/Blinds.h"
#include "effects/RowSpans.h"

namespace effects {
namespace {

using testing::FROM_TAG;
using testing::fromAt;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::toAt;
using testing::TransitionRun;

constexpr Pixel BLACK = 0;

// Where each output pixel of a frame must come from.
using Expected = std::function<Pixel(int row, int column)>;

struct FrameCase {
    const char* what;
    int slot, width, height, elapsed, duration;
    Expected expected;
};

void expectFrame(const FrameCase& c) {
    SCOPED_TRACE(std::string(c.what) + " (slot " + std::to_string(c.slot) + ")");
    const OriginPicture from(c.width, c.height, FROM_TAG), to(c.width, c.height, TO_TAG);
    TransitionRun run(c.width, c.height, from.pixels, to.pixels);
    run.begin(c.slot);
    run.frame(c.slot, c.elapsed, c.duration);
    run.end(c.slot);
    int wrong = 0;
    for (int row = 0; row < c.height && wrong < 5; ++row) {
        for (int column = 0; column < c.width && wrong < 5; ++column) {
            const Pixel want = c.expected(row, column);
            if (run.at(row, column) != want) {
                ADD_FAILURE() << "row " << row << " column " << column << ": got " << std::hex
                              << run.at(row, column) << ", want " << want;
                ++wrong;
            }
        }
    }
}

TEST(StripTransitions, MidPointsShowTheRightPartOfEachPicture) {
    const FrameCase cases[] = {
        // x = 0.5 eases to x^3 = 0.125: 10 of 80 rows. Even strips (2 columns
        // each) rise from the bottom, odd ones descend from the top.
        {"wipe, 50 strips up", 75, 100, 80, 500, 1000,
         [](int r, int c) {
             const bool even = (c / 2) % 2 == 0;
             return (even ? r < 10 : r >= 70) ? toAt(r, c) : fromAt(r, c);
         }},
        {"push down: lower half shows the upper half of from", 50, 12, 80, 500, 1000,
         [](int r, int c) { return r < 40 ? fromAt(r + 40, c) : toAt(r - 40, c); }},
        {"push up", 49, 12, 40, 500, 1000,
         [](int r, int c) { return r < 20 ? toAt(r + 20, c) : fromAt(r - 20, c); }},
        {"cover up: the top of to rises in", 53, 6, 40, 500, 1000,
         [](int r, int c) { return r < 5 ? toAt(r + 35, c) : fromAt(r, c); }},
        {"cover down: the bottom of to descends", 54, 6, 40, 500, 1000,
         [](int r, int c) { return r >= 35 ? toAt(r - 35, c) : fromAt(r, c); }},
        {"wipe down", 58, 6, 40, 500, 1000,
         [](int r, int c) { return r >= 35 ? toAt(r, c) : fromAt(r, c); }},
        {"wipe left", 59, 80, 6, 500, 1000,
         [](int r, int c) { return c >= 70 ? toAt(r, c) : fromAt(r, c); }},
        {"wipe right", 60, 80, 6, 500, 1000,
         [](int r, int c) { return c < 10 ? toAt(r, c) : fromAt(r, c); }},
        {"cover left", 55, 80, 6, 500, 1000,
         [](int r, int c) { return c >= 70 ? toAt(r, c - 70) : fromAt(r, c); }},
        {"cover right", 56, 80, 6, 500, 1000,
         [](int r, int c) { return c < 10 ? toAt(r, c + 70) : fromAt(r, c); }},
        {"push left", 51, 80, 6, 500, 1000,
         [](int r, int c) { return c < 40 ? fromAt(r, c + 40) : toAt(r, c - 40); }},
        {"push right", 52, 80, 6, 500, 1000,
         [](int r, int c) { return c < 40 ? toAt(r, c + 40) : fromAt(r, c - 40); }},
        // 50 bands of 2 rows: even bands (from the bottom) move left, odd right;
        // at x = 0.25, 20 of 80 columns.
        {"push, 50 bands left", 72, 80, 100, 250, 1000,
         [](int r, int c) {
             if ((r / 2) % 2 == 0) {
                 return c < 60 ? fromAt(r, c + 20) : toAt(r, c - 60);
             }
             return c < 20 ? toAt(r, c + 60) : fromAt(r, c - 20);
         }},
        // 50 strips over 120 columns are 2 or 3 columns wide: strip k starts
        // at k * 120 / 50. x = 0.5 gives 1 of 8 rows.
        {"wipe, 50 uneven strips", 75, 120, 8, 500, 1000,
         [](int r, int c) {
             int strip = 0;
             while ((strip + 1) * 120 / 50 <= c) {
                 ++strip;
             }
             const bool even = strip % 2 == 0;
             return (even ? r < 1 : r >= 7) ? toAt(r, c) : fromAt(r, c);
         }},
    };
    for (const FrameCase& c : cases) {
        expectFrame(c);
    }
}

// The many-strip wipes and the side blinds copy each row as runs of two
// source rows; runs are copied in groups of pixels that may spill into the
// next run. Every pixel is checked against where it must come from, on widths
// that do not divide evenly, narrower than the strip count, and at many
// points of progress.
TEST(StripTransitions, RowRunsMatchEveryPixelAtAnyProgress) {
    enum class Motion { Wipe, Cover, Push };
    const struct {
        int slot;
        Motion motion;
    } stripSlots[] = {{75, Motion::Wipe}, {73, Motion::Cover}, {71, Motion::Push}};
    const struct {
        int width, height;
    } sizes[] = {{801, 7}, {3, 2}, {49, 5}, {100, 3}, {130, 4}, {7, 9}};
    const int points[] = {1, 37, 250, 499, 500, 731, 877, 990, 999};
    // The strip (or slat) of column c when `length` is split into n bands.
    auto band = [](int c, int length, int n) {
        int k = 0;
        while (static_cast<long long>(k + 1) * length / n <= c) {
            ++k;
        }
        return k;
    };
    for (const auto& size : sizes) {
        const int w = size.width;
        const int h = size.height;
        for (int elapsed : points) {
            const double x = elapsed / 1000.0;
            for (const auto& strips : stripSlots) {
                const double ease = strips.motion == Motion::Push ? x : x * x * x;
                const int ch = static_cast<int>(ease * h);
                expectFrame(
                    {"50 strips", strips.slot, w, h, elapsed, 1000, [=](int r, int c) {
                         const bool up = band(c, w, 50) % 2 == 0;
                         switch (strips.motion) {
                             case Motion::Wipe:
                                 return (up ? r < ch : r >= h - ch) ? toAt(r, c) : fromAt(r, c);
                             case Motion::Cover:
                                 if (up) {
                                     return r < ch ? toAt(h - ch + r, c) : fromAt(r, c);
                                 }
                                 return r < h - ch ? fromAt(r, c) : toAt(r - (h - ch), c);
                             case Motion::Push:
                                 if (up) {
                                     return r < ch ? toAt(h - ch + r, c) : fromAt(r - ch, c);
                                 }
                                 return r < h - ch ? fromAt(r + ch, c) : toAt(r - (h - ch), c);
                         }
                         return Pixel{0};
                     }});
            }
            const int e = w * (elapsed / 10) / 100 / 16;
            for (const bool right : {false, true}) {
                expectFrame({right ? "blinds right" : "blinds left", right ? 80 : 79, w, h, elapsed,
                             1000, [=](int r, int c) {
                                 const int k = band(c, w, 16);
                                 const int begin = k * w / 16;
                                 const int end = (k + 1) * w / 16;
                                 const bool incoming = right ? c < begin + e : c >= end - e;
                                 return incoming ? toAt(r, c) : fromAt(r, c);
                             }});
            }
        }
    }
}

TEST(SlideThroughBlack, LeavesAndArrivesOverBlack) {
    const FrameCase cases[] = {
        {"up, first quarter: from raised by half", 63, 6, 40, 250, 1000,
         [](int r, int c) { return r < 20 ? BLACK : fromAt(r - 20, c); }},
        {"up, last quarter: to coming back down", 63, 6, 40, 750, 1000,
         [](int r, int c) { return r < 20 ? BLACK : toAt(r - 20, c); }},
        {"right", 62, 40, 4, 250, 1000,
         [](int r, int c) { return c < 20 ? BLACK : fromAt(r, c - 20); }},
        {"down", 64, 6, 40, 250, 1000,
         [](int r, int c) { return r < 20 ? fromAt(r + 20, c) : BLACK; }},
        {"left", 61, 40, 4, 750, 1000,
         [](int r, int c) { return c < 20 ? toAt(r, c + 20) : BLACK; }},
    };
    for (const FrameCase& c : cases) {
        expectFrame(c);
    }
    for (int slot : {61, 62, 63, 64}) {
        expectFrame({"half-way", slot, 10, 8, 500, 1000, [](int, int) { return BLACK; }});
    }
}

TEST(SmearWipe, RepeatsTheLeadingRowOrColumn) {
    const FrameCase cases[] = {
        {"up, 1 % of 480 rows", 82, 4, 480, 10, 1000,
         [](int r, int c) { return toAt(r < 4 ? r : 4, c); }},
        {"down", 81, 4, 100, 250, 1000, [](int r, int c) { return toAt(r >= 75 ? r : 74, c); }},
        {"right", 83, 100, 3, 250, 1000, [](int r, int c) { return toAt(r, c < 25 ? c : 25); }},
        {"left", 84, 100, 3, 250, 1000, [](int r, int c) { return toAt(r, c >= 75 ? c : 75); }},
        // 1 % of 50 columns is none: the smear takes the last column of the
        // row instead of reading one past it.
        {"left, narrow picture", 84, 50, 3, 10, 1000, [](int r, int) { return toAt(r, 49); }},
    };
    for (const FrameCase& c : cases) {
        expectFrame(c);
    }
}

TEST(Blinds, EachSlatFillsFromItsEdge) {
    const FrameCase cases[] = {
        // 16 slats of 4 rows; x = 0.5 fills 2 rows of each from its bottom.
        {"up", 77, 3, 64, 500, 1000,
         [](int r, int c) { return r % 4 < 2 ? toAt(r, c) : fromAt(r, c); }},
        // x = 0.25 leaves 3 rows of `from` at the bottom of each slat.
        {"down", 78, 3, 64, 250, 1000,
         [](int r, int c) { return r % 4 < 3 ? fromAt(r, c) : toAt(r, c); }},
        // 70 rows: slats of 4, the last one rows 60 to 69; 2 rows each at 0.5.
        {"up, last slat extended", 77, 2, 70, 500, 1000,
         [](int r, int c) { return std::min(r / 4, 15) * 4 + 2 > r ? toAt(r, c) : fromAt(r, c); }},
        {"right", 80, 64, 2, 500, 1000,
         [](int r, int c) { return c % 4 < 2 ? toAt(r, c) : fromAt(r, c); }},
        {"left", 79, 64, 2, 500, 1000,
         [](int r, int c) { return c % 4 >= 2 ? toAt(r, c) : fromAt(r, c); }},
    };
    for (const FrameCase& c : cases) {
        expectFrame(c);
    }
}

TEST(Blinds, UseAtMostEightySlats) {
    const OriginPicture from(8, 240, FROM_TAG), to(8, 240, TO_TAG);
    std::vector<Pixel> capped(from.pixels.size()), asked(from.pixels.size());
    PictureFrameBlock block;
    block.from = from.pixels.data();
    block.to = to.pixels.data();
    block.width = 8;
    block.height = 240;
    block.elapsed = 500;
    block.duration = 1000;
    block.direction = DirUp;
    Blinds blinds;
    block.out = capped.data();
    block.parameter = 80;
    blinds.frame(block);
    block.out = asked.data();
    block.parameter = 200;
    blinds.frame(block);
    EXPECT_EQ(asked, capped);
    // 80 slats of 3 rows: the first row of each shows `to` at x = 0.5.
    EXPECT_EQ(asked[0], toAt(0, 0));
    EXPECT_EQ(asked[8], fromAt(1, 0));
    EXPECT_EQ(asked[3 * 8], toAt(3, 0));
}

TEST(CentreBox, ClosesInAndOpensOut) {
    const FrameCase cases[] = {
        {"in, opening frame", 65, 20, 10, 0, 1000, [](int r, int c) { return fromAt(r, c); }},
        {"in, half-way: a frame of 5 columns and 2 rows of to", 65, 20, 10, 500, 1000,
         [](int r, int c) {
             const bool frame = r < 2 || r >= 8 || c < 5 || c >= 15;
             return frame ? toAt(r, c) : fromAt(r, c);
         }},
        {"in, at the end", 65, 20, 10, 1000, 1000, [](int r, int c) { return toAt(r, c); }},
        {"out, at the start", 66, 20, 10, 0, 1000, [](int r, int c) { return fromAt(r, c); }},
        {"out, a quarter in: a box of to, columns 8-11, rows 4-5", 66, 20, 10, 250, 1000,
         [](int r, int c) {
             const bool box = r >= 4 && r < 6 && c >= 8 && c < 12;
             return box ? toAt(r, c) : fromAt(r, c);
         }},
        {"out, at the end", 66, 20, 10, 1000, 1000, [](int r, int c) { return toAt(r, c); }},
    };
    for (const FrameCase& c : cases) {
        expectFrame(c);
    }
}

}  // namespace
}  // namespace effects

namespace effects {
namespace {

// The row copy the processor picks against the 16-byte one: runs of every
// length from one pixel up, short runs after long ones (the groups run past
// a run's end), and rows whose width is no multiple of a group.
TEST(RowSpans, FastRowCopyMatchesThePlainOne) {
    const struct {
        int width;
        std::vector<int> cuts;  // run ends; runs alternate between the sources
    } cases[] = {
        {1, {1}},
        {3, {1, 2, 3}},
        {37, {5, 6, 13, 20, 21, 37}},
        {64, {8, 16, 17, 18, 19, 40, 64}},
        {803, {7, 9, 33, 34, 120, 401, 402, 800, 803}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        std::vector<Pixel> first(static_cast<std::size_t>(c.width)),
            second(static_cast<std::size_t>(c.width));
        for (int x = 0; x < c.width; ++x) {
            first[static_cast<std::size_t>(x)] = 0x01000000u + static_cast<Pixel>(x);
            second[static_cast<std::size_t>(x)] = 0x02000000u + static_cast<Pixel>(x);
        }
        RowSpans spans;
        spans.reset(c.width);
        int begin = 0;
        for (std::size_t k = 0; k < c.cuts.size(); ++k) {
            spans.add(begin, c.cuts[k], static_cast<int>(k & 1));
            begin = c.cuts[k];
        }
        // One pixel past the row shows a write beyond its end.
        std::vector<Pixel> plain(static_cast<std::size_t>(c.width) + 1, 0xDEADBEEFu);
        std::vector<Pixel> fast = plain;
        spans.copyRowPlain(plain.data(), first.data(), second.data());
        spans.copyRow(fast.data(), first.data(), second.data());
        EXPECT_EQ(fast, plain);
        EXPECT_EQ(plain.back(), 0xDEADBEEFu);
    }
}

}  // namespace
}  // namespace effects
