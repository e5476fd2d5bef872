#include <gtest/gtest.h>

#include <vector>

#include "playback/PictureFitter.h"

namespace playback {
namespace {

struct LetterboxCase {
    int pictureWidth, pictureHeight, stageWidth, stageHeight;
    SourceWindow window;
    int firstColumn, columns;  // where the picture lands on the middle row
};

TEST(PictureFitter, LetterboxesAWholePictureOfAnotherShape) {
    const LetterboxCase cases[] = {
        // Upright on a wide stage: bars left and right.
        {600, 800, 800, 600, {-233, 0, 1066, 800}, 174, 450},
        // Same shape as the stage: no bars.
        {400, 300, 800, 600, {0, 0, 400, 300}, 0, 800},
    };
    for (const LetterboxCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pictureWidth << "x" << c.pictureHeight);
        EXPECT_EQ(sourceWindow(c.pictureWidth, c.pictureHeight, {}, c.stageWidth, c.stageHeight),
                  c.window);
        const std::vector<std::uint8_t> white(
            static_cast<std::size_t>(c.pictureWidth) * c.pictureHeight * 4, 255);
        std::vector<std::uint8_t> stage(static_cast<std::size_t>(c.stageWidth) * c.stageHeight * 4,
                                        7);
        PictureFitter fitter;
        fitter.draw({white.data(), c.pictureWidth, c.pictureHeight}, {}, {}, stage.data(),
                    c.stageWidth, c.stageHeight);
        const std::uint8_t* row =
            stage.data() + static_cast<std::size_t>(c.stageHeight / 2) * c.stageWidth * 4;
        int first = -1, count = 0;
        for (int x = 0; x < c.stageWidth; ++x) {
            if (row[x * 4 + 1] > 128) {
                first = first < 0 ? x : first;
                ++count;
            } else {
                EXPECT_EQ(row[x * 4 + 1], 0) << "bar at column " << x;
            }
        }
        EXPECT_EQ(first, c.firstColumn);
        EXPECT_EQ(count, c.columns);
    }
}

}  // namespace
}  // namespace playback
