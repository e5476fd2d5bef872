#include <gtest/gtest.h>

#include "FrameChecks.h"
#include "TransitionFixture.h"

namespace effects {
namespace {

using testing::COLOUR_BYTES;
using testing::expectSqueezedLine;
using testing::FROM_TAG;
using testing::fromAt;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::toAt;
using testing::TransitionRun;

constexpr int SLOT_WARP_B = 95;
constexpr int SLOT_WARP_A = 96;
constexpr int W = 800;
constexpr int H = 600;

// The inset of a line at distance h from the front.
int insetA(int h) {
    return h * h * (W / 2) / (H * H);
}
int insetB(int h) {
    return h * h * (H / 2) / (W * W);
}

struct Warp : ::testing::Test {
    OriginPicture from{W, H, FROM_TAG}, to{W, H, TO_TAG};
    TransitionRun run{W, H, from.pixels, to.pixels};

    void draw(int slot, int percent) {
        run.begin(slot);
        run.frame(slot, percent, 100);
        run.end(slot);
    }
    // Row r of the frame against row r of a picture squeezed by `inset`;
    // squeezed rows lose their fourth byte.
    void expectRow(int r, int inset, Pixel (*picture)(int, int), const char* what) {
        expectSqueezedLine([&](int c) { return run.at(r, c); }, W, inset,
                           [&](int c) { return picture(r, c) & COLOUR_BYTES; },
                           std::string(what) + ", row " + std::to_string(r));
    }
    // Column x against column x of a picture; columns keep whole pixels.
    void expectColumn(int x, int inset, Pixel (*picture)(int, int), const char* what) {
        expectSqueezedLine([&](int r) { return run.at(r, x); }, H, inset,
                           [&](int r) { return picture(r, x); },
                           std::string(what) + ", column " + std::to_string(x));
    }
    void expectUnchangedRows(int first, int end, Pixel (*picture)(int, int)) {
        for (int r = first; r < end; ++r) {
            for (int c = 0; c < W; c += 7) {
                ASSERT_EQ(run.at(r, c), picture(r, c)) << "row " << r << " column " << c;
            }
        }
    }
};

TEST_F(Warp, APinchesFromTheBottomEdgeThenUnpinches) {
    // 33 %: the front is at row 594, the rows above it untouched; row 0 is
    // squeezed to 800 - 2 * 392 = 16 centred pixels.
    draw(SLOT_WARP_A, 33);
    expectUnchangedRows(594, H, fromAt);
    EXPECT_EQ(insetA(594), 392);
    expectRow(0, 392, fromAt, "33 %");
    expectRow(593, 0, fromAt, "33 %, just below the front");
    expectRow(300, insetA(294), fromAt, "33 %");

    // 50 %: the pinch point is row 300, empty; `to` swells below it.
    draw(SLOT_WARP_A, 50);
    expectRow(300, W / 2, fromAt, "50 %, pinch point");
    expectRow(299, insetA(599), toAt, "50 %");
    expectRow(0, insetA(300), toAt, "50 %");
    expectRow(599, insetA(301), fromAt, "50 %");

    // 67 %: the front passed 2H at 1206; rows 0-5 show `to` unchanged, the
    // rows above narrow toward the top.
    draw(SLOT_WARP_A, 67);
    expectUnchangedRows(0, 6, toAt);
    expectRow(6, 0, toAt, "67 %");
    expectRow(599, insetA(593), toAt, "67 %, top row");
    EXPECT_EQ(insetA(593), 390);
}

TEST_F(Warp, BPinchesFromTheRightEdgeThenUnpinches) {
    // 20 %: the front is 480 columns in from the right edge.
    draw(SLOT_WARP_B, 20);
    for (int x : {0, 319}) {
        expectColumn(x, 0, fromAt, "20 %, untouched");
    }
    expectColumn(320, insetB(0), fromAt, "20 %");
    expectColumn(799, insetB(479), fromAt, "20 %");
    EXPECT_EQ(insetB(479), 107);

    // 50 %: k = 1200, the pinch point is column 400.
    draw(SLOT_WARP_B, 50);
    expectColumn(0, insetB(400), fromAt, "50 %");
    expectColumn(399, insetB(799), fromAt, "50 %");
    expectColumn(400, insetB(799), toAt, "50 %");
    expectColumn(799, insetB(400), toAt, "50 %");
    EXPECT_EQ(insetB(799), 299);  // two pixels either side of the pinch

    // 80 %: columns 480 on show `to` unchanged.
    draw(SLOT_WARP_B, 80);
    expectColumn(0, insetB(480), toAt, "80 %");
    expectColumn(479, 0, toAt, "80 %");
    for (int x : {480, 799}) {
        expectColumn(x, 0, toAt, "80 %, untouched");
    }
}

}  // namespace
}  // namespace effects
