#include "effects/PixelBlend.h"

#include <algorithm>
#include <cstring>

#include "effects/ProcessorFeatures.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace effects {

namespace {

constexpr Pixel COLOUR_MASK = 0x00FFFFFFu;

int channel(Pixel p, int shift) {
    return static_cast<int>((p >> shift) & 0xFF);
}

// The three colour bytes from `colour`, the fourth from `keep`.
Pixel withFourthByteOf(Pixel keep, int blue, int green, int red) {
    return (keep & ~COLOUR_MASK) | static_cast<Pixel>(blue) | static_cast<Pixel>(green) << 8 |
           static_cast<Pixel>(red) << 16;
}

}  // namespace

// The casts to 16 bits are what the packed multiply does; they also let gcc
// keep eight bytes in one register.
void blendBytes7(std::uint8_t* __restrict out, const std::uint8_t* __restrict a,
                 const std::uint8_t* __restrict b, int k, std::size_t bytes) {
    const std::int16_t weight = static_cast<std::int16_t>(k);
    for (std::size_t i = 0; i < bytes; ++i) {
        const std::int16_t difference = static_cast<std::int16_t>(b[i] - a[i]);
        const std::int16_t product = static_cast<std::int16_t>(weight * difference);
        out[i] = static_cast<std::uint8_t>(a[i] + (product >> 7));
    }
}

void mapSoftPlain(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                  int base, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const int k = std::clamp(base - thresholds[i], 0, 32);
        Pixel result = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const int a = channel(from[i], shift);
            const int value = a + ((k * (channel(to[i], shift) - a)) >> 5);
            result |= static_cast<Pixel>(value) << shift;
        }
        out[i] = result;
    }
}

void mapHardPlain(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                  int half, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        out[i] = thresholds[i] < half ? to[i] : from[i];
    }
}

void negativeFadePlain(Pixel* out, const Pixel* from, const std::uint8_t* grey, int e,
                       std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const int g = e * grey[i];
        const Pixel p = from[i];
        out[i] = withFourthByteOf(out[i], (g + (1024 - e) * channel(p, 0)) >> 10,
                                  (g + (1024 - e) * channel(p, 8)) >> 10,
                                  (g + (1024 - e) * channel(p, 16)) >> 10);
    }
}

void negativeBurnPlain(Pixel* out, const std::uint8_t* grey, int e, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const int g = grey[i];
        const int level = std::max(g, std::min(4 * g - e, 255));
        out[i] = withFourthByteOf(out[i], level, level, level);
    }
}

void negativeWhitePlain(Pixel* out, const Pixel* to, int e, std::size_t count) {
    const int white = 255 * (1024 - e);
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel p = to[i];
        out[i] =
            withFourthByteOf(out[i], (white + e * channel(p, 0)) >> 10,
                             (white + e * channel(p, 8)) >> 10, (white + e * channel(p, 16)) >> 10);
    }
}

#if defined(__SSE2__)

namespace {

// 16 one-byte values, one per pixel, spread to the four bytes of each of
// 16 pixels: four registers of four pixels.
struct Spread {
    __m128i quarter[4];
};

Spread spreadBytes(__m128i values) {
    const __m128i low = _mm_unpacklo_epi8(values, values);
    const __m128i high = _mm_unpackhi_epi8(values, values);
    return {{_mm_unpacklo_epi16(low, low), _mm_unpackhi_epi16(low, low),
             _mm_unpacklo_epi16(high, high), _mm_unpackhi_epi16(high, high)}};
}

__m128i load(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
void store(void* p, __m128i v) {
    _mm_storeu_si128(static_cast<__m128i*>(p), v);
}

// The colour bytes of `colour`, the fourth bytes of `keep`.
__m128i keepFourthBytes(__m128i colour, __m128i keep) {
    const __m128i mask = _mm_set1_epi32(static_cast<int>(COLOUR_MASK));
    return _mm_or_si128(_mm_and_si128(mask, colour), _mm_andnot_si128(mask, keep));
}

// a + floor(e * (b - a) / 1024) on eight 16-bit lanes, e < 1024: the high
// half of (32 e) * (2 (b - a)) is exactly that quotient.
__m128i fadeLanes(__m128i a, __m128i b, __m128i e32) {
    const __m128i difference = _mm_sub_epi16(b, a);
    return _mm_add_epi16(a, _mm_mulhi_epi16(e32, _mm_add_epi16(difference, difference)));
}

}  // namespace

#if defined(__x86_64__)

// The same lanes as the SSE2 kernel, eight pixels a step: the bytes are
// widened straight from memory and each pixel's weight is one shuffle of the
// eight weights, about half the instructions per pixel.
__attribute__((target("avx2"))) void mapSoftAvx2(Pixel* out, const Pixel* from, const Pixel* to,
                                                 const std::uint8_t* thresholds, int base,
                                                 std::size_t count) {
    const __m128i bases = _mm_set1_epi8(static_cast<char>(std::clamp(base, 0, 255)));
    const __m128i cap = _mm_set1_epi8(32);
    // Weight j to the four 16-bit lanes of pixel j; 0x80 gives the zero high byte.
    const __m256i firstFour =
        _mm256_setr_epi8(0, -128, 0, -128, 0, -128, 0, -128, 1, -128, 1, -128, 1, -128, 1, -128, 2,
                         -128, 2, -128, 2, -128, 2, -128, 3, -128, 3, -128, 3, -128, 3, -128);
    const __m256i lastFour = _mm256_add_epi8(firstFour, _mm256_set1_epi8(4));
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        std::uint64_t eight;
        std::memcpy(&eight, thresholds + i, sizeof eight);
        const __m128i k = _mm_min_epu8(
            _mm_subs_epu8(bases, _mm_cvtsi64_si128(static_cast<long long>(eight))), cap);
        const __m256i weights = _mm256_broadcastsi128_si256(k);
        __m256i lanes[2];
        for (int part = 0; part < 2; ++part) {
            const __m256i a = _mm256_cvtepu8_epi16(load(from + i + 4 * part));
            const __m256i b = _mm256_cvtepu8_epi16(load(to + i + 4 * part));
            const __m256i wk = _mm256_shuffle_epi8(weights, part == 0 ? firstFour : lastFour);
            const __m256i product = _mm256_mullo_epi16(wk, _mm256_sub_epi16(b, a));
            lanes[part] = _mm256_add_epi16(a, _mm256_srai_epi16(product, 5));
        }
        // The pack interleaves 128-bit halves; the permute puts pixels in order.
        const __m256i packed =
            _mm256_permute4x64_epi64(_mm256_packus_epi16(lanes[0], lanes[1]), 0xD8);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), packed);
    }
    mapSoftPlain(out + i, from + i, to + i, thresholds + i, base, count - i);
}

#endif

void mapSoftSse2(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                 int base, std::size_t count) {
    // base is 0 to 126 and thresholds 0 to 63: unsigned saturation gives
    // max(base - threshold, 0).
    const __m128i bases = _mm_set1_epi8(static_cast<char>(std::clamp(base, 0, 255)));
    const __m128i cap = _mm_set1_epi8(32);
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i k = _mm_min_epu8(_mm_subs_epu8(bases, load(thresholds + i)), cap);
        const Spread weights = spreadBytes(k);
        for (std::size_t q = 0; q < 4; ++q) {
            const __m128i a = load(from + i + 4 * q);
            const __m128i b = load(to + i + 4 * q);
            __m128i lanes[2];
            for (int half = 0; half < 2; ++half) {
                const __m128i wa =
                    half == 0 ? _mm_unpacklo_epi8(a, zero) : _mm_unpackhi_epi8(a, zero);
                const __m128i wb =
                    half == 0 ? _mm_unpacklo_epi8(b, zero) : _mm_unpackhi_epi8(b, zero);
                const __m128i wk = half == 0 ? _mm_unpacklo_epi8(weights.quarter[q], zero)
                                             : _mm_unpackhi_epi8(weights.quarter[q], zero);
                const __m128i product = _mm_mullo_epi16(wk, _mm_sub_epi16(wb, wa));
                lanes[half] = _mm_add_epi16(wa, _mm_srai_epi16(product, 5));
            }
            store(out + i + 4 * q, _mm_packus_epi16(lanes[0], lanes[1]));
        }
    }
    mapSoftPlain(out + i, from + i, to + i, thresholds + i, base, count - i);
}

void mapSoftFast(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                 int base, std::size_t count) {
#if defined(__x86_64__)
    if (hasAvx2()) {
        mapSoftAvx2(out, from, to, thresholds, base, count);
        return;
    }
#endif
    mapSoftSse2(out, from, to, thresholds, base, count);
}

void mapHardFast(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                 int half, std::size_t count) {
    // threshold < half exactly when half - threshold, saturated, is not 0.
    const __m128i halves = _mm_set1_epi8(static_cast<char>(std::clamp(half, 0, 255)));
    const __m128i zero = _mm_setzero_si128();
    const __m128i ones = _mm_set1_epi8(-1);
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i below =
            _mm_xor_si128(_mm_cmpeq_epi8(_mm_subs_epu8(halves, load(thresholds + i)), zero), ones);
        const Spread masks = spreadBytes(below);
        for (std::size_t q = 0; q < 4; ++q) {
            const __m128i a = load(from + i + 4 * q);
            const __m128i b = load(to + i + 4 * q);
            store(out + i + 4 * q, _mm_or_si128(_mm_and_si128(masks.quarter[q], b),
                                                _mm_andnot_si128(masks.quarter[q], a)));
        }
    }
    mapHardPlain(out + i, from + i, to + i, thresholds + i, half, count - i);
}

void negativeFadeFast(Pixel* out, const Pixel* from, const std::uint8_t* grey, int e,
                      std::size_t count) {
    if (e >= 1024) {
        // 32 e no longer fits a lane; the result is the grey image itself.
        negativeFadePlain(out, from, grey, e, count);
        return;
    }
    const __m128i e32 = _mm_set1_epi16(static_cast<short>(e * 32));
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const Spread greys = spreadBytes(load(grey + i));
        for (std::size_t q = 0; q < 4; ++q) {
            const __m128i a = load(from + i + 4 * q);
            const __m128i g = greys.quarter[q];
            const __m128i low =
                fadeLanes(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(g, zero), e32);
            const __m128i high =
                fadeLanes(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(g, zero), e32);
            store(out + i + 4 * q,
                  keepFourthBytes(_mm_packus_epi16(low, high), load(out + i + 4 * q)));
        }
    }
    negativeFadePlain(out + i, from + i, grey + i, e, count - i);
}

void negativeBurnFast(Pixel* out, const std::uint8_t* grey, int e, std::size_t count) {
    const __m128i burn = _mm_set1_epi16(static_cast<short>(e));
    const __m128i white = _mm_set1_epi16(255);
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        const __m128i g8 = load(grey + i);
        __m128i levels[2];
        for (int half = 0; half < 2; ++half) {
            const __m128i g = half == 0 ? _mm_unpacklo_epi8(g8, zero) : _mm_unpackhi_epi8(g8, zero);
            const __m128i v = _mm_sub_epi16(_mm_slli_epi16(g, 2), burn);
            levels[half] = _mm_max_epi16(g, _mm_min_epi16(v, white));
        }
        const Spread spread = spreadBytes(_mm_packus_epi16(levels[0], levels[1]));
        for (std::size_t q = 0; q < 4; ++q) {
            store(out + i + 4 * q, keepFourthBytes(spread.quarter[q], load(out + i + 4 * q)));
        }
    }
    negativeBurnPlain(out + i, grey + i, e, count - i);
}

void negativeWhiteFast(Pixel* out, const Pixel* to, int e, std::size_t count) {
    if (e >= 1024) {
        negativeWhitePlain(out, to, e, count);
        return;
    }
    const __m128i e32 = _mm_set1_epi16(static_cast<short>(e * 32));
    const __m128i white = _mm_set1_epi16(255);
    const __m128i zero = _mm_setzero_si128();
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i b = load(to + i);
        const __m128i low = fadeLanes(white, _mm_unpacklo_epi8(b, zero), e32);
        const __m128i high = fadeLanes(white, _mm_unpackhi_epi8(b, zero), e32);
        store(out + i, keepFourthBytes(_mm_packus_epi16(low, high), load(out + i)));
    }
    negativeWhitePlain(out + i, to + i, e, count - i);
}

#else

void mapSoftFast(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                 int base, std::size_t count) {
    mapSoftPlain(out, from, to, thresholds, base, count);
}
void mapSoftSse2(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                 int base, std::size_t count) {
    mapSoftPlain(out, from, to, thresholds, base, count);
}
void mapHardFast(Pixel* out, const Pixel* from, const Pixel* to, const std::uint8_t* thresholds,
                 int half, std::size_t count) {
    mapHardPlain(out, from, to, thresholds, half, count);
}
void negativeFadeFast(Pixel* out, const Pixel* from, const std::uint8_t* grey, int e,
                      std::size_t count) {
    negativeFadePlain(out, from, grey, e, count);
}
void negativeBurnFast(Pixel* out, const std::uint8_t* grey, int e, std::size_t count) {
    negativeBurnPlain(out, grey, e, count);
}
void negativeWhiteFast(Pixel* out, const Pixel* to, int e, std::size_t count) {
    negativeWhitePlain(out, to, e, count);
}

#endif

}  // namespace effects
