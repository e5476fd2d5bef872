// The decoder's pixel kernels, each path against the plain one.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

#include "imaging/JpegColour.h"
#include "imaging/JpegIdct.h"
#include "imaging/JpegTables.h"

namespace imaging {
namespace {

// Dequantised coefficient blocks as photos give them: the exact DCT of
// blocks with gradients, an edge and noise, quantised at step q.
std::vector<std::array<int, 64>> photoBlocks(int count, int q, unsigned seed) {
    std::mt19937 rng(seed);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    double basis[8][8];
    for (int u = 0; u < 8; ++u) {
        for (int x = 0; x < 8; ++x) {
            basis[u][x] = (u == 0 ? std::sqrt(0.5) : 1.0) * std::cos((2 * x + 1) * u * M_PI / 16);
        }
    }
    std::vector<std::array<int, 64>> blocks;
    for (int n = 0; n < count; ++n) {
        double px[64];
        const double base = uniform(0, 255), gx = uniform(-100, 100) / 10.0,
                     gy = uniform(-100, 100) / 10.0;
        const int edge = uniform(0, 15), step = uniform(-200, 200);
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) {
                const double v = base + gx * x + gy * y +
                                 (x + y * edge / 8.0 > edge % 9 ? step : 0) + uniform(-10, 10);
                px[y * 8 + x] = std::fmin(255, std::fmax(0, v)) - 128;
            }
        }
        std::array<int, 64> coefficients;
        for (int u = 0; u < 8; ++u) {
            for (int v = 0; v < 8; ++v) {
                double s = 0;
                for (int y = 0; y < 8; ++y) {
                    for (int x = 0; x < 8; ++x) {
                        s += px[y * 8 + x] * basis[v][x] * basis[u][y];
                    }
                }
                coefficients[u * 8 + v] = static_cast<int>(std::lround(s / 4 / q)) * q;
            }
        }
        blocks.push_back(coefficients);
    }
    return blocks;
}

// Runs one path's transform on a dequantised block, as the scan would feed it.
std::array<std::uint8_t, 64> transform(KernelPath path, const std::array<int, 64>& coefficients) {
    const JpegIdct& idct = jpegIdct(path);
    alignas(16) std::int16_t block[64];
    for (int i = 0; i < 64; ++i) {
        block[i] = static_cast<std::int16_t>(
            (static_cast<std::int64_t>(coefficients[i]) * dequantisationFactor(idct, 1, i) +
             2048) >>
            12);
    }
    block[0] = static_cast<std::int16_t>(block[0] + levelShift(idct));
    std::array<std::uint8_t, 64> out;
    idct.transform(block, out.data(), 8);
    for (std::int16_t c : block) {
        EXPECT_EQ(c, 0) << "the transform leaves the block cleared";
    }
    return out;
}

TEST(JpegIdct, PathsDifferByAtMostOneLevelOnPhotoBlocks) {
    for (int q : {1, 2, 8}) {
        int differing = 0;
        for (const auto& block : photoBlocks(4000, q, static_cast<unsigned>(q))) {
            const auto lee = transform(KernelPath::Portable, block);
            const auto aan = transform(KernelPath::Sse2, block);
            for (int i = 0; i < 64; ++i) {
                ASSERT_LE(std::abs(lee[i] - aan[i]), 1) << "q " << q << " sample " << i;
                differing += lee[i] != aan[i];
            }
        }
        // Mostly equal: the paths round apart only near a half level.
        EXPECT_LT(differing, 4000 * 64 / 5) << "q " << q;
    }
}

TEST(JpegIdct, DcOnlyShortcutEqualsTheTransform) {
    for (KernelPath path : {KernelPath::Portable, KernelPath::Sse2}) {
        const JpegIdct& idct = jpegIdct(path);
        for (int dc = -32768; dc <= 32767; dc += 3) {
            alignas(16) std::int16_t block[64] = {static_cast<std::int16_t>(dc)};
            std::uint8_t out[64];
            idct.transform(block, out, 8);
            const std::uint8_t expected = idct.dcOnly(static_cast<std::int16_t>(dc));
            for (std::uint8_t v : out) {
                ASSERT_EQ(v, expected) << "dc " << dc << (path == KernelPath::Sse2 ? " sse2" : "");
            }
        }
    }
}

TEST(JpegIdct, CorruptCoefficientsStayInRange) {
    // Extreme 16-bit coefficients must neither crash nor trip UBSan.
    std::mt19937 rng(5);
    for (KernelPath path : {KernelPath::Portable, KernelPath::Sse2}) {
        for (int n = 0; n < 2000; ++n) {
            alignas(16) std::int16_t block[64];
            for (std::int16_t& c : block) {
                c = static_cast<std::int16_t>(rng());
            }
            std::uint8_t out[64];
            jpegIdct(path).transform(block, out, 8);
        }
    }
}

TEST(JpegColour, ChromaColumnsAndRowsFollowTheLumaFactors) {
    // 4:2:0: pixel columns 0 and 1 use chroma column 0, column 2 uses
    // column 1; rows likewise. Luma 100 everywhere, Cb stepping by column.
    const int width = 37, rows = 4;  // wider than one vector, odd
    std::vector<std::uint8_t> y(64 * rows, 100), cb(32 * 2), cr(32 * 2, 128);
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 32; ++c) {
            cb[static_cast<std::size_t>(r * 32 + c)] =
                static_cast<std::uint8_t>(100 + 3 * c + 50 * r);
        }
    }
    JpegPlaneBand band{y.data(), 64, cb.data(), cr.data(), 32, 1, 1};
    const JpegColourTables& t = JpegColourTables::get();
    for (KernelPath path : {KernelPath::Portable, KernelPath::Sse2}) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * rows * 4);
        JpegColourConverter converter;
        // Band row 0 goes to the last bitmap row.
        converter.convert(band, rows, width, out.data() + (rows - 1) * width * 4, width * 4, path);
        for (int i = 0; i < rows; ++i) {
            for (int j = 0; j < width; ++j) {
                const std::uint8_t* p = out.data() + ((rows - 1 - i) * width + j) * 4;
                const int chroma = cb[static_cast<std::size_t>((i / 2) * 32 + j / 2)];
                ASSERT_EQ(p[0], std::clamp(100 + t.blueFromCb[chroma], 0, 255)) << i << "," << j;
                ASSERT_EQ(p[3], 0);
            }
        }
    }
}

TEST(JpegColour, VectorPathEqualsTablesForEveryChromaPair) {
    // Every (Cb, Cr) pair with luma sweeping 0..255: 4:4:4 rows of 256.
    std::vector<std::uint8_t> y(256), cb(256), cr(256);
    for (int k = 0; k < 256; ++k) {
        y[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>((k * 37) & 255);
    }
    JpegColourConverter plain, vector;
    std::vector<std::uint8_t> a(256 * 4), b(256 * 4);
    for (int cbValue = 0; cbValue < 256; ++cbValue) {
        std::fill(cb.begin(), cb.end(), static_cast<std::uint8_t>(cbValue));
        for (int k = 0; k < 256; ++k) {
            cr[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(k);
        }
        for (int shift : {0, 1}) {
            JpegPlaneBand band{y.data(), 256, cb.data(), cr.data(), 256, shift, 0};
            plain.convert(band, 1, 256, a.data(), 0, KernelPath::Portable);
            vector.convert(band, 1, 256, b.data(), 0, KernelPath::Sse2);
            ASSERT_EQ(a, b) << "Cb " << cbValue << " shift " << shift;
        }
    }
}

TEST(JpegColour, TablesTruncateTowardZero) {
    const JpegColourTables& t = JpegColourTables::get();
    EXPECT_EQ(t.blueFromCb[0], -226);    // 1.772 * -128 = -226.8
    EXPECT_EQ(t.blueFromCb[255], 225);   // 1.772 * 127 = 225.04
    EXPECT_EQ(t.redFromCr[0], -179);     // 1.402 * -128 = -179.46
    EXPECT_EQ(t.greenFromCb[0], 44);     // -(0.34414 * -128) = 44.05
    EXPECT_EQ(t.greenFromCr[255], -90);  // -(0.71414 * 127) = -90.7
    EXPECT_EQ(t.blueFromCb[128], 0);
}

}  // namespace
}  // namespace imaging
