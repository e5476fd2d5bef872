#include <gtest/gtest.h>

#include <string>

#include "FrameCheck.h"
#include "TransitionFixture.h"
#include "effects/DoorSwing.h"

namespace effects {
namespace {

using testing::Expected;
using testing::expectPixels;
using testing::FROM_TAG;
using testing::OriginPicture;
using testing::STALE;
using testing::TO_TAG;
using testing::TransitionRun;

constexpr int DOOR_HINGE_TOP = 91;
constexpr int DOOR_HINGE_BOTTOM = 92;
constexpr int DOOR_HINGE_LEFT = 93;
constexpr int DOOR_HINGE_RIGHT = 94;
constexpr int CLOCK_CLOCKWISE = 46;
constexpr int CLOCK_COUNTER_CLOCKWISE = 47;

TEST(DoorSwing, HalfWayOnEightHundredColumns) {
    // D = 2000, sin = cos = 0.7071: 565 columns and 424 rows of sine.
    const DoorSwing::Geometry g = DoorSwing::geometry(800, 600, 50);
    EXPECT_EQ(g.doorWidth, 440);  // 565 * 2000 / 2565
    EXPECT_EQ(g.freeEdgeHeight, 2000 * 600 / 2565);
    EXPECT_EQ(g.verticalMargin, (600 - 467) / 2);
    EXPECT_EQ(g.doorHeight, 424 * 2000 / 2424);
    EXPECT_EQ(g.horizontalMargin, (800 - 2000 * 800 / 2424) / 2);
}

// A door pixel keeps the fourth byte the output had and takes the colour
// of `from`; every other pixel is `to` in place, so no pixel keeps what the
// output held before (the top row had 434 such pixels at 800 x 600 once).
TEST(DoorSwing, DrawsTheDoorAndTheIncomingPictureEverywhereElse) {
    const int w = 800, h = 600;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    const DoorSwing::Geometry g = DoorSwing::geometry(w, h, 50);
    const int dw = g.doorWidth, dh = g.doorHeight, mv = g.verticalMargin, mh = g.horizontalMargin;
    const auto door = [&](int sourceRow, int sourceColumn) {
        return (STALE & 0xFF000000) | (from.at(sourceRow, sourceColumn) & 0x00FFFFFF);
    };
    // Door column j of a side door: rows m to H - m - 1 show the source column
    // j * W / dw squeezed into H - 2m rows.
    const auto sideDoor = [&](int r, int j, int m) {
        if (r < m || r >= h - m) {
            return Pixel(0);
        }
        return door((r - m) * h / (h - 2 * m), j * w / dw);
    };
    const auto edgeDoor = [&](int c, int row, int m) {
        if (c < m || c >= w - m) {
            return Pixel(0);
        }
        return door(row * h / dh, (c - m) * w / (w - 2 * m));
    };
    const struct {
        const char* what;
        int slot;
        Expected inDoor;  // 0 outside the door
    } cases[] = {
        {"hinge right", DOOR_HINGE_RIGHT,
         [&](int r, int c) {
             const int j = c - (w - dw);
             return j < 0 ? Pixel(0) : sideDoor(r, j, mv * (dw - j) / dw);
         }},
        {"hinge left", DOOR_HINGE_LEFT,
         [&](int r, int c) { return c >= dw ? Pixel(0) : sideDoor(r, c, mv * c / dw); }},
        {"hinge top", DOOR_HINGE_TOP,
         [&](int r, int c) {
             const int row = r - (h - dh);
             return row < 0 ? Pixel(0) : edgeDoor(c, row, mh * (dh - row) / dh);
         }},
        {"hinge bottom", DOOR_HINGE_BOTTOM,
         [&](int r, int c) { return r >= dh ? Pixel(0) : edgeDoor(c, r, mh * r / dh); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TransitionRun run(w, h, from.pixels, to.pixels);
        run.begin(c.slot);
        run.frame(c.slot, 500, 1000);
        expectPixels(run, [&](int r, int col) {
            const Pixel p = c.inDoor(r, col);
            return p != 0 ? p : to.at(r, col);
        });
        run.end(c.slot);
    }
}

TEST(DoorSwing, NarrowDoorNearTheEndLeavesOnlyTo) {
    // At 99 % a picture 2 wide has a door of no columns.
    const OriginPicture from(2, 4, FROM_TAG), to(2, 4, TO_TAG);
    TransitionRun run(2, 4, from.pixels, to.pixels);
    for (int slot : {DOOR_HINGE_TOP, DOOR_HINGE_LEFT, DOOR_HINGE_RIGHT}) {
        run.begin(slot);
        run.frame(slot, 995, 1000);
        expectPixels(run, [&](int r, int c) { return to.at(r, c); });
        run.end(slot);
    }
}

// Memory rows run bottom-up: the upper half of the screen is rows H/2 up.
TEST(ClockWipe, SweepsWholeQuartersInTurn) {
    const int w = 100, h = 80;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    const struct {
        const char* what;
        int slot, elapsed;
        bool (*swept)(int row, int column);
    } cases[] = {
        {"clockwise 90: upper right", CLOCK_CLOCKWISE, 250,
         [](int r, int c) { return r >= 40 && c >= 50; }},
        {"clockwise 180: right half", CLOCK_CLOCKWISE, 500, [](int, int c) { return c >= 50; }},
        {"clockwise 270: all but the upper left", CLOCK_CLOCKWISE, 750,
         [](int r, int c) { return c >= 50 || r < 40; }},
        {"counter-clockwise 90: upper left", CLOCK_COUNTER_CLOCKWISE, 250,
         [](int r, int c) { return r >= 40 && c < 50; }},
        {"counter-clockwise 180: left half", CLOCK_COUNTER_CLOCKWISE, 500,
         [](int, int c) { return c < 50; }},
        {"start", CLOCK_CLOCKWISE, 0, [](int, int) { return false; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TransitionRun run(w, h, from.pixels, to.pixels);
        run.begin(c.slot);
        run.frame(c.slot, c.elapsed, 1000);
        expectPixels(
            run, [&](int r, int col) { return c.swept(r, col) ? to.at(r, col) : from.at(r, col); });
        run.end(c.slot);
    }
}

// At 45 degrees tan() is just below 1: the hand reaches 49 of 50 columns
// at the top edge, and k * 49 / 50 at height k above the centre; in the
// second quarter the same from 3 o'clock down.
TEST(ClockWipe, HandWithinAQuarter) {
    const int w = 100, h = 100;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    const struct {
        const char* what;
        int slot, elapsed;
        bool (*swept)(int row, int column);
    } cases[] = {
        {"clockwise 45", CLOCK_CLOCKWISE, 125,
         [](int r, int c) { return r >= 50 && c >= 50 && c - 50 < (r - 50) * 49 / 50; }},
        {"clockwise 135", CLOCK_CLOCKWISE, 375,
         [](int r, int c) { return c >= 50 && (r >= 50 || 49 - r < (c - 50) * 49 / 50); }},
        {"counter-clockwise 45", CLOCK_COUNTER_CLOCKWISE, 125,
         [](int r, int c) { return r >= 50 && c < 50 && 49 - c < (r - 50) * 49 / 50; }},
        {"clockwise 315", CLOCK_CLOCKWISE, 875,
         [](int r, int c) { return c >= 50 || r < 50 || r - 50 < (49 - c) * 49 / 50; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TransitionRun run(w, h, from.pixels, to.pixels);
        run.begin(c.slot);
        run.frame(c.slot, c.elapsed, 1000);
        expectPixels(
            run, [&](int r, int col) { return c.swept(r, col) ? to.at(r, col) : from.at(r, col); });
        run.end(c.slot);
    }
}

}  // namespace
}  // namespace effects
