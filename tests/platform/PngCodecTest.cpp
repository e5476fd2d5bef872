#include <gtest/gtest.h>
#include <stb_image.h>

#include <cstdint>
#include <vector>

#include "platform/PngCodec.h"

namespace platform {
namespace {

// A small picture whose every pixel differs, so that a flip, a mirror or
// swapped channels show. Bottom-up BGRX.
BgrxPicture distinctPicture(int width, int height) {
    BgrxPicture picture{width, height, {}};
    for (int row = 0; row < height; ++row) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(static_cast<std::uint8_t>(10 + x));         // blue
            picture.pixels.push_back(static_cast<std::uint8_t>(100 + row));      // green
            picture.pixels.push_back(static_cast<std::uint8_t>(200 + x + row));  // red
            picture.pixels.push_back(0);
        }
    }
    return picture;
}

TEST(PngCodec, RoundTripKeepsEveryPixel) {
    const BgrxPicture picture = distinctPicture(7, 5);
    auto png = encodePng(picture.pixels.data(), picture.width, picture.height);
    ASSERT_TRUE(png) << png.error();
    auto decoded = decodePng(*png);
    ASSERT_TRUE(decoded) << decoded.error();
    EXPECT_EQ(decoded->width, 7);
    EXPECT_EQ(decoded->height, 5);
    EXPECT_EQ(decoded->pixels, picture.pixels);
}

// An independent reader sees the bottom memory row at the bottom of the
// picture, in RGB order.
TEST(PngCodec, EncodedPictureReadsUprightElsewhere) {
    const BgrxPicture picture = distinctPicture(4, 3);
    auto png = encodePng(picture.pixels.data(), picture.width, picture.height);
    ASSERT_TRUE(png) << png.error();
    int w = 0, h = 0, n = 0;
    stbi_uc* rgb = stbi_load_from_memory(png->data(), static_cast<int>(png->size()), &w, &h, &n, 3);
    ASSERT_NE(rgb, nullptr);
    ASSERT_EQ(w, 4);
    ASSERT_EQ(h, 3);
    for (int top = 0; top < h; ++top) {
        const int row = h - 1 - top;
        for (int x = 0; x < w; ++x) {
            const stbi_uc* p = rgb + (top * w + x) * 3;
            EXPECT_EQ(p[0], 200 + x + row);
            EXPECT_EQ(p[1], 100 + row);
            EXPECT_EQ(p[2], 10 + x);
        }
    }
    stbi_image_free(rgb);
}

TEST(PngCodec, DamagedFilesFailWithAReason) {
    const BgrxPicture picture = distinctPicture(6, 4);
    auto png = encodePng(picture.pixels.data(), picture.width, picture.height);
    ASSERT_TRUE(png);
    std::vector<std::uint8_t> truncated(png->begin(), png->begin() + png->size() / 2);
    // IHDR width and height (bytes 16..23) set to 0x7FFFFFFF: a size no
    // allocation may follow.
    std::vector<std::uint8_t> huge = *png;
    for (int i = 16; i < 24; ++i) {
        huge[static_cast<std::size_t>(i)] = (i % 4 == 0) ? 0x7F : 0xFF;
    }
    const std::vector<std::uint8_t> jpegStart = {0xFF, 0xD8, 0xFF, 0xE0};
    const struct {
        const char* name;
        std::vector<std::uint8_t> bytes;
    } cases[] = {
        {"empty", {}},
        {"not a PNG", jpegStart},
        {"signature only", std::vector<std::uint8_t>(png->begin(), png->begin() + 8)},
        {"truncated", truncated},
        {"huge header", huge},
    };
    for (const auto& c : cases) {
        auto decoded = decodePng(c.bytes);
        EXPECT_FALSE(decoded) << c.name;
        if (!decoded) {
            EXPECT_FALSE(decoded.error().empty()) << c.name;
        }
    }
}

TEST(PngCodec, RefusesToEncodeNothing) {
    EXPECT_FALSE(encodePng(nullptr, 4, 4));
    const std::uint8_t pixel[4] = {};
    EXPECT_FALSE(encodePng(pixel, 0, 1));
}

}  // namespace
}  // namespace platform
