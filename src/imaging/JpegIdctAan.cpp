// The Arai-Agui-Nakajima IDCT in 16-bit fixed point, eight columns (then
// eight rows) at a time in SSE2 lanes. The coefficients arrive prescaled by
// the AAN factors with two fraction bits (done while dequantising), so the
// transform itself needs only five multiplications per pass, each a
// high-half multiply by the constant's fractional part.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "imaging/JpegIdct.h"
#include "imaging/JpegTables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imaging {

namespace {

// Fraction bits of the prescaled coefficients, kept through both passes.
// The prescale is where most of the error arises (a factor as small as 0.076
// leaves the highest frequencies few bits), so it gets all the bits that
// photos leave room for; the passes' results of extreme blocks saturate.
constexpr int kAanFractionBits = 3;
// The output is 8 f(x, y) with the fraction bits: divide by 64.
constexpr int kAanShift = kAanFractionBits + 3;

}  // namespace

std::int32_t dequantisationFactor(const JpegIdct& idct, int q, int naturalPosition) {
    if (!idct.aanPrescaled) {
        return q * 4096;
    }
    // q * s(u) s(v) * 2^3 in units of 1/4096: q * scale(Q14) * 2, held to
    // 32 bits (only 16-bit tables of absurd values reach the limit).
    const std::int64_t f = static_cast<std::int64_t>(q) *
                           JPEG_AAN_SCALES[static_cast<std::size_t>(naturalPosition)] *
                           (1 << (kAanFractionBits + 12 - 14));
    return static_cast<std::int32_t>(std::min<std::int64_t>(f, INT32_MAX));
}

std::int32_t levelShift(const JpegIdct& idct) {
    return idct.aanPrescaled ? 1024 << kAanFractionBits : 1024;
}

#if defined(__SSE2__)

namespace {

// x * (1 + f) with f = k / 65536 and x * (n - f) forms: the high half of a
// 16 x 16 multiply keeps every constant below 1 in magnitude.
inline __m128i mulHigh(__m128i x, short k) {
    return _mm_mulhi_epi16(x, _mm_set1_epi16(k));
}
inline __m128i add(__m128i a, __m128i b) {
    return _mm_add_epi16(a, b);
}
inline __m128i sub(__m128i a, __m128i b) {
    return _mm_sub_epi16(a, b);
}

constexpr short kFrac1_414 = 27146;  // 1.414213562 - 1
constexpr short kFrac1_847 = 9977;   // 2 - 1.847759065
constexpr short kFrac1_082 = 5400;   // 1.082392200 - 1
constexpr short kFrac2_613 = 25354;  // 3 - 2.613125930

// One 1-D pass over v[0..7] (lanes are independent).
inline void aan8(__m128i* v) {
    // Even part.
    const __m128i tmp10 = add(v[0], v[4]);
    const __m128i tmp11 = sub(v[0], v[4]);
    const __m128i tmp13 = add(v[2], v[6]);
    const __m128i d26 = sub(v[2], v[6]);
    const __m128i tmp12 = sub(add(d26, mulHigh(d26, kFrac1_414)), tmp13);
    const __m128i e0 = add(tmp10, tmp13);
    const __m128i e3 = sub(tmp10, tmp13);
    const __m128i e1 = add(tmp11, tmp12);
    const __m128i e2 = sub(tmp11, tmp12);

    // Odd part.
    const __m128i z13 = add(v[5], v[3]);
    const __m128i z10 = sub(v[5], v[3]);
    const __m128i z11 = add(v[1], v[7]);
    const __m128i z12 = sub(v[1], v[7]);
    const __m128i t7 = add(z11, z13);
    const __m128i d = sub(z11, z13);
    const __m128i t11 = add(d, mulHigh(d, kFrac1_414));
    const __m128i s = add(z10, z12);
    const __m128i z5 = sub(add(s, s), mulHigh(s, kFrac1_847));
    const __m128i t10 = sub(add(z12, mulHigh(z12, kFrac1_082)), z5);
    const __m128i t12 = add(sub(mulHigh(z10, kFrac2_613), add(add(z10, z10), z10)), z5);
    const __m128i t6 = sub(t12, t7);
    const __m128i t5 = sub(t11, t6);
    const __m128i t4 = add(t10, t5);

    // Wrap-around above is exact while the results fit; these saturate.
    v[0] = _mm_adds_epi16(e0, t7);
    v[7] = _mm_subs_epi16(e0, t7);
    v[1] = _mm_adds_epi16(e1, t6);
    v[6] = _mm_subs_epi16(e1, t6);
    v[2] = _mm_adds_epi16(e2, t5);
    v[5] = _mm_subs_epi16(e2, t5);
    v[4] = _mm_adds_epi16(e3, t4);
    v[3] = _mm_subs_epi16(e3, t4);
}

inline void transpose8x8(__m128i* r) {
    const __m128i a0 = _mm_unpacklo_epi16(r[0], r[1]);
    const __m128i a1 = _mm_unpackhi_epi16(r[0], r[1]);
    const __m128i a2 = _mm_unpacklo_epi16(r[2], r[3]);
    const __m128i a3 = _mm_unpackhi_epi16(r[2], r[3]);
    const __m128i a4 = _mm_unpacklo_epi16(r[4], r[5]);
    const __m128i a5 = _mm_unpackhi_epi16(r[4], r[5]);
    const __m128i a6 = _mm_unpacklo_epi16(r[6], r[7]);
    const __m128i a7 = _mm_unpackhi_epi16(r[6], r[7]);
    const __m128i b0 = _mm_unpacklo_epi32(a0, a2);
    const __m128i b1 = _mm_unpackhi_epi32(a0, a2);
    const __m128i b2 = _mm_unpacklo_epi32(a1, a3);
    const __m128i b3 = _mm_unpackhi_epi32(a1, a3);
    const __m128i b4 = _mm_unpacklo_epi32(a4, a6);
    const __m128i b5 = _mm_unpackhi_epi32(a4, a6);
    const __m128i b6 = _mm_unpacklo_epi32(a5, a7);
    const __m128i b7 = _mm_unpackhi_epi32(a5, a7);
    r[0] = _mm_unpacklo_epi64(b0, b4);
    r[1] = _mm_unpackhi_epi64(b0, b4);
    r[2] = _mm_unpacklo_epi64(b1, b5);
    r[3] = _mm_unpackhi_epi64(b1, b5);
    r[4] = _mm_unpacklo_epi64(b2, b6);
    r[5] = _mm_unpackhi_epi64(b2, b6);
    r[6] = _mm_unpacklo_epi64(b3, b7);
    r[7] = _mm_unpackhi_epi64(b3, b7);
}

}  // namespace

void idctAanSse2(std::int16_t* block, std::uint8_t* out, std::ptrdiff_t stride) {
    __m128i* blockVectors = reinterpret_cast<__m128i*>(block);
    __m128i v[8];
    for (int i = 0; i < 8; ++i) {
        v[i] = _mm_loadu_si128(blockVectors + i);
    }
    aan8(v);  // columns: each vector is one row of the block
    transpose8x8(v);
    aan8(v);  // rows
    transpose8x8(v);
    const __m128i round = _mm_set1_epi16(1 << (kAanShift - 1));
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 8; i += 2) {
        const __m128i lo = _mm_srai_epi16(_mm_adds_epi16(v[i], round), kAanShift);
        const __m128i hi = _mm_srai_epi16(_mm_adds_epi16(v[i + 1], round), kAanShift);
        const __m128i bytes = _mm_packus_epi16(lo, hi);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i * stride), bytes);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + (i + 1) * stride),
                         _mm_unpackhi_epi64(bytes, bytes));
        _mm_storeu_si128(blockVectors + i, zero);
        _mm_storeu_si128(blockVectors + i + 1, zero);
    }
}

std::uint8_t idctAanDcOnly(std::int16_t dc) {
    // A lone DC passes both passes unchanged; then the same saturating
    // rounding and shift as the full transform.
    const int rounded = std::min(dc + (1 << (kAanShift - 1)), 32767);
    const int v = rounded >> kAanShift;
    return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

#endif

const JpegIdct& jpegIdct(KernelPath path) {
    static const JpegIdct lee{idctLee, idctLeeDcOnly, false};
#if defined(__SSE2__)
    static const JpegIdct aan{idctAanSse2, idctAanDcOnly, true};
    if (usableKernelPath(path) == KernelPath::Sse2) {
        return aan;
    }
#endif
    (void)path;
    return lee;
}

}  // namespace imaging
