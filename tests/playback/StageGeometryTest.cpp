#include <gtest/gtest.h>

#include "playback/StageGeometry.h"

namespace playback {
namespace {

struct StageCase {
    int clientWidth, clientHeight, sizeMode;
    StageRect expected;
};

TEST(ComputeStage, ChoosesCentresAndFitsTheStage) {
    const StageCase cases[] = {
        // A client equal to the size is not strictly larger: the fit path gives the same.
        {1024, 768, 1, {0, 0, 1024, 768}},
        {1000, 700, 1, {100, 50, 800, 600}},
        // The width would fit 1280, but the height only fits 600.
        {1280, 700, 1, {240, 50, 800, 600}},
        // 4:3 of 400 is 533.33: truncated to 533, centred at 33, then made even.
        {600, 400, 1, {33, 0, 532, 400}},
        {1920, 1080, 1, {320, 28, 1280, 1024}},
        {1920, 1200, 1, {320, 88, 1280, 1024}},
        {1280, 1024, 1, {0, 0, 1280, 1024}},
        // Fixed modes: 0, 2, 3 and above.
        {1920, 1080, 0, {640, 300, 640, 480}},
        {1920, 1080, 2, {448, 156, 1024, 768}},
        {1920, 1080, 7, {320, 28, 1280, 1024}},
        // A fixed size larger than the client shrinks to fit it, wider than tall.
        {1366, 768, 3, {203, 0, 960, 768}},
        {800, 1000, 3, {0, 180, 800, 640}},
    };
    for (const StageCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.clientWidth) + "x" + std::to_string(c.clientHeight) +
                     " mode " + std::to_string(c.sizeMode));
        EXPECT_EQ(computeStage(c.clientWidth, c.clientHeight, c.sizeMode), c.expected);
    }
}

}  // namespace
}  // namespace playback
