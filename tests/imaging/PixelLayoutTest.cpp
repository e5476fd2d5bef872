#include <gtest/gtest.h>

#include "imaging/PixelLayout.h"

namespace imaging {
namespace {

TEST(BitmapBytes, RefusesEmptyNegativeAndHugePictures) {
    EXPECT_EQ(bitmapBytes(800, 600), 1'920'000u);
    EXPECT_EQ(bitmapBytes(1, 1), 4u);
    EXPECT_EQ(bitmapBytes(16384, 16384), std::size_t{1} << 30);
    EXPECT_FALSE(bitmapBytes(0, 600));
    EXPECT_FALSE(bitmapBytes(800, -2));
    EXPECT_FALSE(bitmapBytes(65535, 65535));          // a forged header
    EXPECT_FALSE(bitmapBytes(1ll << 40, 1ll << 40));  // would overflow 64 bits
}

}  // namespace
}  // namespace imaging
