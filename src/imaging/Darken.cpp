#include "imaging/Darken.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imaging {

namespace {

void darkenPortable(std::uint8_t* frame, const std::uint8_t* mask, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i, frame += 4, mask += 4) {
        const int m = 255 - mask[0];
        for (int ch = 0; ch < 3; ++ch) {
            const int v = frame[ch] - m;
            frame[ch] = static_cast<std::uint8_t>(v < 0 ? 0 : v);
        }
    }
}

#if defined(__SSE2__)
void darkenSse2(std::uint8_t* frame, const std::uint8_t* mask, std::size_t count) {
    const __m128i blue = _mm_set1_epi32(0xFF);
    const __m128i white = _mm_set1_epi32(0xFF);
    std::size_t i = 0;
    for (; i + 4 <= count; i += 4) {
        const __m128i mk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(mask + i * 4));
        // 255 - blue in the low byte of each pixel, then copied to green and red.
        __m128i m = _mm_sub_epi32(white, _mm_and_si128(mk, blue));
        m = _mm_or_si128(m, _mm_or_si128(_mm_slli_epi32(m, 8), _mm_slli_epi32(m, 16)));
        __m128i* f = reinterpret_cast<__m128i*>(frame + i * 4);
        _mm_storeu_si128(f, _mm_subs_epu8(_mm_loadu_si128(f), m));
    }
    darkenPortable(frame + i * 4, mask + i * 4, count - i);
}
#endif

}  // namespace

void darken(std::uint8_t* frame, const std::uint8_t* mask, std::size_t pixelCount,
            KernelPath path) {
#if defined(__SSE2__)
    if (usableKernelPath(path) == KernelPath::Sse2) {
        darkenSse2(frame, mask, pixelCount);
        return;
    }
#endif
    (void)path;
    darkenPortable(frame, mask, pixelCount);
}

}  // namespace imaging
