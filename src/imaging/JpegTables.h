#pragma once

#include <array>
#include <cstdint>

namespace imaging {

// ITU-T T.81 figure A.6: the natural (row-major) position of each zigzag
// position, padded so that a position clamped to 63 stays inside.
inline constexpr std::array<std::uint8_t, 64> JPEG_NATURAL_ORDER = {
    0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,  12, 19, 26, 33, 40, 48,
    41, 34, 27, 20, 13, 6,  7,  14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23,
    30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};

// The Arai-Agui-Nakajima prescale factors s(u) * s(v) in Q14, natural order,
// s(0) = 1 and s(k) = sqrt(2) * cos(k * pi / 16).
inline constexpr std::array<std::int32_t, 64> JPEG_AAN_SCALES = {
    16384, 22725, 21407, 19266, 16384, 12873, 8867,  4520,  22725, 31521, 29692, 26722, 22725,
    17855, 12299, 6270,  21407, 29692, 27969, 25172, 21407, 16819, 11585, 5906,  19266, 26722,
    25172, 22654, 19266, 15137, 10426, 5315,  16384, 22725, 21407, 19266, 16384, 12873, 8867,
    4520,  12873, 17855, 16819, 15137, 12873, 10114, 6967,  3552,  8867,  12299, 11585, 10426,
    8867,  6967,  4799,  2446,  4520,  6270,  5906,  5315,  4520,  3552,  2446,  1247};

// Colour conversion tables, for k = 0..255 with c = k - 128 and products
// truncated toward zero: B(Cb) = 1.772 c, G(Cb) = -0.34414 c,
// G(Cr) = -0.71414 c, R(Cr) = 1.402 c.
struct JpegColourTables {
    std::array<std::int16_t, 256> blueFromCb;
    std::array<std::int16_t, 256> greenFromCb;
    std::array<std::int16_t, 256> greenFromCr;
    std::array<std::int16_t, 256> redFromCr;

    static const JpegColourTables& get();
};

// Clamps a sample to 0..255 by lookup: 256 zeros, the identity, 256 times 255,
// indexed by sample + 256. Callers clamp the index to 0..767 first.
struct JpegRangeTable {
    std::array<std::uint8_t, 768> values;
    static const JpegRangeTable& get();
    std::uint8_t operator()(int sample) const {
        int i = sample + 256;
        i = i < 0 ? 0 : (i > 767 ? 767 : i);
        return values[static_cast<std::size_t>(i)];
    }
};

}  // namespace imaging
