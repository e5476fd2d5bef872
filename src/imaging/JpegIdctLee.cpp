// Lee's recursive fast IDCT (B. G. Lee, 1984): an N-point inverse transform
// is an N/2-point one of the even inputs plus an N/2-point one of the summed
// neighbouring odd inputs divided by 2 cos((2n + 1) pi / 2N). Rows, then
// columns, in 32-bit fixed point with Q13 constants and three fraction bits
// between the passes.
#include <cstring>

#include "imaging/JpegIdct.h"
#include "imaging/JpegTables.h"

namespace imaging {

namespace {

constexpr int kConstBits = 13;
constexpr int kPassBits = 3;  // fraction bits carried from rows to columns

// 1 / (2 cos(k pi / 16)) and friends in Q13.
constexpr std::int32_t kC4 = 5793;     // 1 / (2 cos(pi/4)) = cos(pi/4): also the DC weight
constexpr std::int32_t kC4_1 = 4433;   // 1 / (2 cos(pi/8))
constexpr std::int32_t kC4_3 = 10703;  // 1 / (2 cos(3 pi/8))
constexpr std::int32_t kC8_1 = 4176;   // 1 / (2 cos(pi/16))
constexpr std::int32_t kC8_3 = 4926;   // 1 / (2 cos(3 pi/16))
constexpr std::int32_t kC8_5 = 7373;   // 1 / (2 cos(5 pi/16))
constexpr std::int32_t kC8_7 = 20995;  // 1 / (2 cos(7 pi/16))

// 64-bit product: corrupt coefficients must not overflow (the fuzzer runs
// this under UBSan).
inline std::int32_t mul(std::int32_t x, std::int32_t c) {
    return static_cast<std::int32_t>((static_cast<std::int64_t>(x) * c + (1 << (kConstBits - 1))) >>
                                     kConstBits);
}

// x(n) = sum_k X(k) cos((2n + 1) k pi / 16), X(0) already weighted.
inline void lee8(const std::int32_t* X, std::int32_t* x) {
    // Four-point transform of the even inputs.
    const std::int32_t ge0 = X[0] + mul(X[4], kC4);
    const std::int32_t ge1 = X[0] - mul(X[4], kC4);
    const std::int32_t he0 = X[2] + mul(X[6] + X[2], kC4);
    const std::int32_t he1 = X[2] - mul(X[6] + X[2], kC4);
    const std::int32_t hs0 = mul(he0, kC4_1);
    const std::int32_t hs1 = mul(he1, kC4_3);
    const std::int32_t g0 = ge0 + hs0, g3 = ge0 - hs0;
    const std::int32_t g1 = ge1 + hs1, g2 = ge1 - hs1;

    // Four-point transform of H(k) = X(2k + 1) + X(2k - 1).
    const std::int32_t H0 = X[1], H1 = X[3] + X[1], H2 = X[5] + X[3], H3 = X[7] + X[5];
    const std::int32_t oe0 = H0 + mul(H2, kC4);
    const std::int32_t oe1 = H0 - mul(H2, kC4);
    const std::int32_t oh0 = H1 + mul(H3 + H1, kC4);
    const std::int32_t oh1 = H1 - mul(H3 + H1, kC4);
    const std::int32_t os0 = mul(oh0, kC4_1);
    const std::int32_t os1 = mul(oh1, kC4_3);
    const std::int32_t h0 = mul(oe0 + os0, kC8_1), h3 = mul(oe0 - os0, kC8_7);
    const std::int32_t h1 = mul(oe1 + os1, kC8_3), h2 = mul(oe1 - os1, kC8_5);

    x[0] = g0 + h0;
    x[7] = g0 - h0;
    x[1] = g1 + h1;
    x[6] = g1 - h1;
    x[2] = g2 + h2;
    x[5] = g2 - h2;
    x[3] = g3 + h3;
    x[4] = g3 - h3;
}

// The 2-D result is a quarter of the two passes' product; with the pass
// bits that is a division by 32, rounded half away from zero.
inline int descale(std::int32_t v) {
    constexpr int kShift = kPassBits + 2;
    constexpr std::int32_t kHalf = 1 << (kShift - 1);
    return v >= 0 ? (v + kHalf) >> kShift : -((kHalf - v) >> kShift);
}

}  // namespace

void idctLee(std::int16_t* block, std::uint8_t* out, std::ptrdiff_t stride) {
    std::int32_t rows[64];
    for (int r = 0; r < 8; ++r) {
        const std::int16_t* in = block + r * 8;
        std::int32_t* w = rows + r * 8;
        bool acZero = true;
        for (int k = 1; k < 8; ++k) {
            acZero = acZero && in[k] == 0;
        }
        if (acZero) {
            // The transform of a lone X(0) is X(0) everywhere.
            const std::int32_t v = mul(static_cast<std::int32_t>(in[0]) * (1 << kPassBits), kC4);
            for (int n = 0; n < 8; ++n) {
                w[n] = v;
            }
            continue;
        }
        std::int32_t X[8];
        for (int k = 0; k < 8; ++k) {
            X[k] = static_cast<std::int32_t>(in[k]) * (1 << kPassBits);
        }
        X[0] = mul(X[0], kC4);
        lee8(X, w);
    }
    const JpegRangeTable& range = JpegRangeTable::get();
    for (int c = 0; c < 8; ++c) {
        std::int32_t X[8];
        for (int k = 0; k < 8; ++k) {
            X[k] = rows[k * 8 + c];
        }
        X[0] = mul(X[0], kC4);
        std::int32_t x[8];
        lee8(X, x);
        for (int n = 0; n < 8; ++n) {
            out[n * stride + c] = range(descale(x[n]));
        }
    }
    std::memset(block, 0, 64 * sizeof(std::int16_t));
}

std::uint8_t idctLeeDcOnly(std::int16_t dc) {
    const std::int32_t row = mul(static_cast<std::int32_t>(dc) * (1 << kPassBits), kC4);
    return JpegRangeTable::get()(descale(mul(row, kC4)));
}

}  // namespace imaging
