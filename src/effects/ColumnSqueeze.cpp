#include "effects/ColumnSqueeze.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace effects {

namespace {

constexpr int TILE = 16;

// Output columns x0 .. x0 + count - 1, one source pixel per output pixel.
void squeezeTilePlain(Pixel* out, int w, int h, const ColumnSource* sources, int x0, int count) {
    const std::ptrdiff_t stride = w;
    {
        // Per column: the source pixel of the next output row and the
        // remainder of row * h / length, advanced by whole rows and a
        // carry. No branch depends on the ratio, which mispredicts badly.
        const Pixel* source[TILE];
        std::ptrdiff_t wholeStep[TILE];
        int fraction[TILE];
        int remainder[TILE];
        int top[TILE];
        int length[TILE];
        for (int i = 0; i < count; ++i) {
            const ColumnSource& s = sources[x0 + i];
            const int n = std::max(h - 2 * s.inset, 0);
            source[i] = s.column;
            wholeStep[i] = n > 0 ? static_cast<std::ptrdiff_t>(h / n) * stride : 0;
            fraction[i] = n > 0 ? h % n : 0;
            remainder[i] = 0;
            top[i] = s.inset;
            length[i] = n;
        }
        Pixel* row = out + x0;
        for (int r = 0; r < h; ++r, row += stride) {
            for (int i = 0; i < count; ++i) {
                const int j = r - top[i];
                if (j < 0 || j >= length[i]) {
                    row[i] = 0;
                    continue;
                }
                // The rows a column reads are too irregular for the
                // hardware to fetch ahead.
                __builtin_prefetch(source[i] + 8 * (wholeStep[i] + stride));
                row[i] = *source[i];
                const int next = remainder[i] + fraction[i];
                const bool carry = next >= length[i];
                remainder[i] = carry ? next - length[i] : next;
                source[i] += wholeStep[i] + (carry ? stride : 0);
            }
        }
    }
}

#if defined(__x86_64__)
// The same steps for four columns per 64-bit lane group: every lane keeps
// its source address and remainder; rows outside a column's run gather
// nothing and store black, and leave its state as it was.
__attribute__((target("avx2"))) void squeezeTileAvx2(Pixel* out, int w, int h,
                                                     const ColumnSource* sources, int x0) {
    constexpr int GROUPS = TILE / 4;
    const std::int64_t strideBytes = std::int64_t{w} * 4;
    // Addresses are kept relative to the first column's source, in bytes.
    const char* base = reinterpret_cast<const char*>(sources[x0].column);
    __m256i offset[GROUPS], remainder[GROUPS], fraction[GROUPS], length[GROUPS], step[GROUPS],
        top[GROUPS], end[GROUPS];
    for (int g = 0; g < GROUPS; ++g) {
        std::int64_t o[4], f[4], l[4], s[4], t[4], e[4];
        for (int k = 0; k < 4; ++k) {
            const ColumnSource& c = sources[x0 + 4 * g + k];
            const int n = std::max(h - 2 * c.inset, 0);
            o[k] =
                reinterpret_cast<std::intptr_t>(c.column) - reinterpret_cast<std::intptr_t>(base);
            f[k] = n > 0 ? h % n : 0;
            l[k] = n;
            s[k] = n > 0 ? std::int64_t{h / n} * strideBytes : 0;
            t[k] = c.inset;
            e[k] = std::int64_t{c.inset} + n;
        }
        offset[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(o));
        remainder[g] = _mm256_setzero_si256();
        fraction[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(f));
        length[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(l));
        step[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(s));
        top[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(t));
        end[g] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(e));
    }
    const __m256i stride = _mm256_set1_epi64x(strideBytes);
    const __m256i one = _mm256_set1_epi64x(1);
    const __m256i lowHalves = _mm256_setr_epi32(0, 2, 4, 6, 0, 2, 4, 6);
    Pixel* row = out + x0;
    for (int r = 0; r < h; ++r, row += w) {
        const __m256i rr = _mm256_set1_epi64x(r);
        for (int g = 0; g < GROUPS; ++g) {
            const __m256i inside =
                _mm256_andnot_si256(_mm256_cmpgt_epi64(top[g], rr), _mm256_cmpgt_epi64(end[g], rr));
            // The rows a column reads are too irregular for the hardware to
            // fetch ahead; one request per group, eight rows ahead.
            __builtin_prefetch(reinterpret_cast<const char*>(
                reinterpret_cast<std::intptr_t>(base) + _mm256_extract_epi64(offset[g], 0) +
                8 * (_mm256_extract_epi64(step[g], 0) + strideBytes)));
            const __m128i mask =
                _mm256_castsi256_si128(_mm256_permutevar8x32_epi32(inside, lowHalves));
            const __m128i pixels = _mm256_mask_i64gather_epi32(
                _mm_setzero_si128(), reinterpret_cast<const int*>(base), offset[g], mask, 1);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(row + 4 * g), pixels);
            const __m256i next = _mm256_add_epi64(remainder[g], fraction[g]);
            const __m256i carry = _mm256_cmpgt_epi64(next, _mm256_sub_epi64(length[g], one));
            const __m256i advanced = _mm256_add_epi64(_mm256_add_epi64(offset[g], step[g]),
                                                      _mm256_and_si256(carry, stride));
            remainder[g] = _mm256_blendv_epi8(
                remainder[g], _mm256_sub_epi64(next, _mm256_and_si256(carry, length[g])), inside);
            offset[g] = _mm256_blendv_epi8(offset[g], advanced, inside);
        }
    }
}

bool hasAvx2() {
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

void squeezeColumns(Pixel* out, int w, int h, const ColumnSource* sources, int first, int end,
                    PixelPath path) {
    for (int x0 = first; x0 < end; x0 += TILE) {
        const int count = std::min(TILE, end - x0);
#if defined(__x86_64__)
        if (count == TILE && path == PixelPath::Fast && hasAvx2()) {
            squeezeTileAvx2(out, w, h, sources, x0);
            continue;
        }
#endif
        squeezeTilePlain(out, w, h, sources, x0, count);
    }
}

}  // namespace effects
