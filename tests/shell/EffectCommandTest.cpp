#include <gtest/gtest.h>

#include "shell/EffectCommand.h"

namespace shell {
namespace {

TEST(FrameFileName, FillsTheFramesPlace) {
    const struct {
        const char* pattern;
        int index;
        const char* expected;
    } cases[] = {
        {"out-%03d.png", 7, "out-007.png"},
        {"out-%d.png", 12, "out-12.png"},
        {"dir/%d-100%%.png", 0, "dir/0-100%.png"},
        {"single.png", 0, "single.png"},
    };
    for (const auto& c : cases) {
        auto name = frameFileName(c.pattern, c.index);
        ASSERT_TRUE(name) << c.pattern << ": " << name.error();
        EXPECT_EQ(*name, c.expected) << c.pattern;
    }
}

// Anything but one integer conversion would hand snprintf an argument it
// does not expect.
TEST(FrameFileName, RefusesOtherConversions) {
    for (const char* pattern :
         {"out-%s.png", "%d-%d.png", "out-%", "out-%x.png", "%-5d.png", "%00000003d.png"}) {
        EXPECT_FALSE(frameFileName(pattern, 1)) << pattern;
    }
}

TEST(ParseStageSize, TakesWidthByHeight) {
    auto stage = parseStageSize("64x48");
    ASSERT_TRUE(stage);
    EXPECT_EQ(stage->width, 64);
    EXPECT_EQ(stage->height, 48);
    EXPECT_EQ(stage->pixels.size(), 64u * 48u * 4u);
    for (const char* text : {"", "64", "x48", "64x", "0x48", "64x-1", "8193x10", "64x48x2",
                             "99999999999x1", " 64x48"}) {
        EXPECT_FALSE(parseStageSize(text)) << text;
    }
}

TEST(LoadStagePicture, TestCardsFillTheStageAndUnknownOnesFail) {
    auto stage = parseStageSize("16x8");
    ASSERT_TRUE(stage);
    ASSERT_TRUE(loadStagePicture("card:white", *stage));
    for (std::size_t i = 0; i < stage->pixels.size(); ++i) {
        ASSERT_EQ(stage->pixels[i], i % 4 == 3 ? 0 : 255) << i;
    }
    EXPECT_FALSE(loadStagePicture("card:nonesuch", *stage));
    EXPECT_FALSE(loadStagePicture("/nonexistent/picture.png", *stage));
}

}  // namespace
}  // namespace shell
