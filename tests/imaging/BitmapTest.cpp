// Bitmap records, the bilinear scaler and mask darkening.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "imaging/BilinearScaler.h"
#include "imaging/Darken.h"
#include "imaging/DibImage.h"
#include "imaging/FrameSection.h"

namespace imaging {
namespace {

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}
std::uint16_t le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

TEST(DibImage, PacksBothHeadersAndThePixels) {
    DibImage image;
    ASSERT_TRUE(image.create(800, 600));
    EXPECT_EQ(image.totalSize(), 0u) << "no memory before allocate()";
    ASSERT_TRUE(image.allocate());
    EXPECT_EQ(image.totalSize(), 1'920'054u);
    EXPECT_EQ(image.bitCount(), 32);

    const std::uint8_t* m = image.memory();
    EXPECT_EQ(le16(m + 0), 0x4D42);  // "BM"
    EXPECT_EQ(le32(m + 2), 1'920'054u);
    EXPECT_EQ(le32(m + 6), 0u);
    EXPECT_EQ(le32(m + 10), 54u);
    const BitmapInfoHeader h = BitmapInfoHeader::readFrom(m + 14);
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 800);
    EXPECT_EQ(h.height, 600);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 32);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_EQ(h.sizeImage, 1'920'000u);
    EXPECT_EQ(h.xPelsPerMeter, 0);
    EXPECT_EQ(image.pixels()[0], 0) << "allocate() zero-fills";

    image.pixels()[4] = 0x5A;
    const auto packed = image.copyPacked();
    ASSERT_TRUE(packed);
    EXPECT_EQ(packed->size(), 1'920'040u);
    EXPECT_EQ(packed->header(), h);
    EXPECT_EQ(packed->pixels()[4], 0x5A);

    const auto section = image.toDeviceBitmap();
    ASSERT_TRUE(section);
    EXPECT_EQ(section->pixels()[4], 0x5A);

    image.destroy();
    EXPECT_FALSE(image.hasPixels());
    EXPECT_FALSE(image.copyPacked());
}

TEST(DibImage, RefusesSizesAndMemoryItCannotHave) {
    DibImage image;
    EXPECT_FALSE(image.create(0, 10));
    EXPECT_FALSE(image.create(65535, 65535));
    ASSERT_TRUE(image.create(100, 100));
    image.setMemoryLimit(1000);
    EXPECT_FALSE(image.allocate());
    EXPECT_EQ(image.totalSize(), 0u);
    EXPECT_EQ(image.bitCount(), 0);
    EXPECT_EQ(image.pixels(), nullptr);
}

TEST(FrameSections, AreZeroFilledAndStageFramesEven) {
    BitmapInfoHeader header;
    auto section = createFrameSection(&header, 7, 5);
    ASSERT_TRUE(section);
    EXPECT_EQ(header, BitmapInfoHeader::forBgrx(7, 5, 100));
    EXPECT_EQ(header.xPelsPerMeter, 100);
    EXPECT_EQ(header.sizeImage, 7u * 5 * 4);
    for (std::size_t i = 0; i < section->byteSize(); ++i) {
        ASSERT_EQ(section->pixels()[i], 0);
    }
    EXPECT_FALSE(createFrameSection(&header, 0, 5));
    EXPECT_TRUE(StageFrame::create(800, 600));
    EXPECT_FALSE(StageFrame::create(801, 600));
    EXPECT_FALSE(StageFrame::create(800, 599));
}

std::vector<std::uint8_t> randomBgrx(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::uint8_t> p(static_cast<std::size_t>(w) * h * 4);
    for (auto& b : p) {
        b = static_cast<std::uint8_t>(rng());
    }
    return p;
}

TEST(BilinearScaler, OnePixelFillsAnySize) {
    const std::uint8_t pixel[4] = {10, 20, 30, 99};
    for (auto [dw, dh] : {std::pair{1, 1}, {5, 3}, {64, 48}}) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(dw) * dh * 4, 0xEE);
        scaleBilinear32(pixel, 1, 1, out.data(), dw, dh);
        for (std::size_t i = 0; i < out.size(); i += 4) {
            ASSERT_EQ(out[i], 10);
            ASSERT_EQ(out[i + 1], 20);
            ASSERT_EQ(out[i + 2], 30);
            ASSERT_EQ(out[i + 3], 0xEE) << "the fourth byte is not written";
        }
    }
}

TEST(BilinearScaler, SameSizeReproducesTheSource) {
    const auto source = randomBgrx(33, 17, 1);
    std::vector<std::uint8_t> out(source.size());
    scaleBilinear32(source.data(), 33, 17, out.data(), 33, 17);
    for (std::size_t i = 0; i < out.size(); i += 4) {
        ASSERT_EQ(std::memcmp(&out[i], &source[i], 3), 0) << i / 4;
    }
}

TEST(BilinearScaler, InterpolatesAndNeverReadsPastTheEdges) {
    // 2 x 2 source, scaled to 4 x 4: steps of half a pixel. The last column
    // and the top row blend with themselves.
    //   bottom row: 0, 100   top row: 200, 40   (blue values)
    const std::uint8_t source[16] = {0, 0, 0, 0, 100, 0, 0, 0, 200, 0, 0, 0, 40, 0, 0, 0};
    std::uint8_t out[4 * 4 * 4] = {};
    scaleBilinear32(source, 2, 2, out, 4, 4);
    auto blue = [&](int x, int row) { return out[(row * 4 + x) * 4]; };
    EXPECT_EQ(blue(0, 0), 0);
    EXPECT_EQ(blue(1, 0), 50);
    EXPECT_EQ(blue(2, 0), 100);
    EXPECT_EQ(blue(3, 0), 100);  // right neighbour of the last column is itself
    EXPECT_EQ(blue(0, 1), 100);
    EXPECT_EQ(blue(1, 1), 85);   // a = 50, b = 120: 50 + 70/2
    EXPECT_EQ(blue(0, 3), 200);  // upper neighbour of the top row is itself
    EXPECT_EQ(blue(3, 3), 40);
}

TEST(BilinearScaler, TwentyFourBitRowsArePadded) {
    // 3 pixels of 3 bytes: rows of 12 bytes, the last 3 padding.
    const std::uint8_t source[24] = {1,  2,  3,  4,  5,  6,  7,  8,  9,  0xAA, 0xAA, 0xAA,
                                     11, 12, 13, 14, 15, 16, 17, 18, 19, 0xBB, 0xBB, 0xBB};
    std::uint8_t out[3 * 2 * 4] = {};
    scaleBilinear24(source, 3, 2, out, 3, 2);
    EXPECT_EQ(out[8], 7);
    EXPECT_EQ(out[10], 9);
    EXPECT_EQ(out[12], 11) << "the second row starts after the padding";
    EXPECT_EQ(out[22], 19);
    EXPECT_EQ(bgrRowStride(3), 12u);
    EXPECT_EQ(bgrRowStride(4), 12u);
    EXPECT_EQ(bgrRowStride(5), 16u);
}

TEST(ScaleToDevice, ScalesAndCopiesClippedToTheTarget) {
    auto target = FrameSection::create(8, 6);
    ASSERT_TRUE(target);
    const std::uint8_t white[4] = {255, 255, 255, 0};
    BitmapInfoHeader header = BitmapInfoHeader::forBgrx(1, 1);
    // A 4 x 4 square with its top-left corner at (6, -2): columns 6..7 and
    // rows 0..1 (from the top) land on the target.
    ASSERT_TRUE(scaleToDevice(*target, 6, -2, 4, 4, 1, 1, white, header));
    for (int top = 0; top < 6; ++top) {
        for (int x = 0; x < 8; ++x) {
            const std::uint8_t* p = target->row(5 - top) + x * 4;
            const bool inside = x >= 6 && top < 2;
            ASSERT_EQ(p[0], inside ? 255 : 0) << x << "," << top;
        }
    }
    header.bitCount = 8;
    EXPECT_FALSE(scaleToDevice(*target, 0, 0, 4, 4, 1, 1, white, header));
    header.bitCount = 16;
    EXPECT_FALSE(scaleToDevice(*target, 0, 0, 4, 4, 1, 1, white, header));
}

TEST(Darken, SubtractsTheInverseOfTheMaskBlue) {
    struct Case {
        std::uint8_t maskBlue;
        std::uint8_t expected[3];
    };
    // Frame pixel: blue 100, green 40, red 250.
    const Case cases[] = {
        {255, {100, 40, 250}},  // white leaves the frame as it is
        {0, {0, 0, 0}},         // black makes it black
        {200, {45, 0, 195}},    // 55 off each channel, stopping at 0
    };
    for (KernelPath path : {KernelPath::Portable, KernelPath::Sse2}) {
        for (const Case& c : cases) {
            // Nine pixels: more than one vector, and a tail.
            std::vector<std::uint8_t> frame, mask;
            for (int i = 0; i < 9; ++i) {
                frame.insert(frame.end(), {100, 40, 250, 77});
                mask.insert(mask.end(), {c.maskBlue, 1, 2, 3});
            }
            darken(frame.data(), mask.data(), 9, path);
            for (int i = 0; i < 9; ++i) {
                EXPECT_EQ(frame[i * 4 + 0], c.expected[0]);
                EXPECT_EQ(frame[i * 4 + 1], c.expected[1]);
                EXPECT_EQ(frame[i * 4 + 2], c.expected[2]);
                EXPECT_EQ(frame[i * 4 + 3], 77) << "the fourth byte is not touched";
            }
        }
    }
}

TEST(Darken, VectorPathEqualsPlain) {
    auto frame = randomBgrx(37, 3, 2);
    const auto mask = randomBgrx(37, 3, 3);
    auto plain = frame;
    darken(plain.data(), mask.data(), 37 * 3, KernelPath::Portable);
    darken(frame.data(), mask.data(), 37 * 3, KernelPath::Sse2);
    EXPECT_EQ(frame, plain);
}

}  // namespace
}  // namespace imaging
