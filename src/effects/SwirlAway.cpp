#include "effects/SwirlAway.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "effects/PictureRows.h"
#include "effects/ProcessorFeatures.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace effects {

namespace {

constexpr double SQRT_8 = 2.8284271247461900975;

// The displacement at offset (b, c) from the centre, per axis; negating b
// or c negates exactly what it multiplies, so every quarter mirrors the
// others bit for bit.
struct Displacement {
    std::int32_t dx, dy;
};

Displacement displacementAt(double b, double c, double f, double g) {
    double d = b * b + c * c;
    if (d == 0) {
        d = 1;
    }
    const double fall = 1 - d / f;
    const double length = std::sqrt(d);
    return {static_cast<std::int32_t>(g * c * fall * 4096 / length / SQRT_8),
            static_cast<std::int32_t>(g * b * fall * 4096 / length / SQRT_8)};
}

// floor(q * d / 2^22) without 64-bit products, 0 <= q <= 1023:
// q * d = 1024 q (d >> 10) + q (d & 1023), and dropping the fraction of the
// second part below 1024 cannot change the floor of the sum.
std::int32_t scaled22(std::int32_t q, std::int32_t d) {
    return (q * (d >> 10) + ((q * (d & 1023)) >> 10)) >> 12;
}

// The frame's one pixel from the mirrored quarter tables.
struct SwirlRow {
    const Pixel* from;
    const Pixel* to;
    Pixel* out;
    const std::int32_t* dx;  // the quarter table's row |b|
    const std::int32_t* dy;
    int w, h, j, half;  // half = W / 2, the centre column
    std::int32_t q, ySign;
};

inline void swirlPixel(const SwirlRow& r, int k) {
    const int c = k - r.half;
    const int a = std::abs(c);
    const std::int32_t dx = c < 0 ? -r.dx[a] : r.dx[a];
    const std::int32_t dy = r.ySign * r.dy[a];
    const std::int32_t u = scaled22(r.q, dy);
    const std::int32_t v = scaled22(r.q, dx);
    const std::int32_t column = k + u + (v >> 1);
    const std::int32_t row = r.j + (u >> 1) - v;
    const bool inside = static_cast<std::uint32_t>(column) < static_cast<std::uint32_t>(r.w) &&
                        static_cast<std::uint32_t>(row) < static_cast<std::uint32_t>(r.h);
    r.out[k] = inside ? r.from[static_cast<std::ptrdiff_t>(row) * r.w + column] : r.to[k];
}

void swirlRowScalar(const SwirlRow& r, int first, int last) {
    for (int k = first; k < last; ++k) {
        swirlPixel(r, k);
    }
}

#if defined(__x86_64__)
// Eight pixels at a time: the same integer steps on eight lanes, and one
// masked gather that reads `from` only where the source lies inside.
__attribute__((target("avx2"), always_inline)) inline __m256i scaled22x8(__m256i q, __m256i d) {
    const __m256i high = _mm256_mullo_epi32(q, _mm256_srai_epi32(d, 10));
    const __m256i low =
        _mm256_srli_epi32(_mm256_mullo_epi32(q, _mm256_and_si256(d, _mm256_set1_epi32(1023))), 10);
    return _mm256_srai_epi32(_mm256_add_epi32(high, low), 12);
}

// One group of eight pixels. Everything arrives by value: a store through
// `out` may alias any int in memory, and would make the compiler reload
// fields of a struct after every pixel.
__attribute__((target("avx2"), always_inline)) inline void swirlEight(
    const Pixel* __restrict from, const Pixel* __restrict to, Pixel* __restrict out, int k,
    __m256i dx, __m256i dy, __m256i q, __m256i j, __m256i lastColumn, __m256i lastRow,
    __m256i width) {
    const __m256i u = scaled22x8(q, dy);
    const __m256i v = scaled22x8(q, dx);
    const __m256i ks =
        _mm256_add_epi32(_mm256_set1_epi32(k), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    const __m256i column = _mm256_add_epi32(_mm256_add_epi32(ks, u), _mm256_srai_epi32(v, 1));
    const __m256i row = _mm256_sub_epi32(_mm256_add_epi32(j, _mm256_srai_epi32(u, 1)), v);
    // Unsigned: negative positions compare as huge.
    const __m256i columnInside = _mm256_cmpeq_epi32(_mm256_min_epu32(column, lastColumn), column);
    const __m256i rowInside = _mm256_cmpeq_epi32(_mm256_min_epu32(row, lastRow), row);
    const int inside =
        _mm256_movemask_ps(_mm256_castsi256_ps(_mm256_and_si256(columnInside, rowInside)));
    // Most groups lie wholly outside or wholly inside; eight plain loads
    // cost less than the gather instruction here.
    if (inside == 0) {
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k),
                            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + k)));
        return;
    }
    const __m256i index = _mm256_add_epi32(_mm256_mullo_epi32(row, width), column);
    const __m128i low = _mm256_castsi256_si128(index);
    const __m128i high = _mm256_extracti128_si256(index, 1);
    const int at[8] = {_mm_cvtsi128_si32(low),     _mm_extract_epi32(low, 1),
                       _mm_extract_epi32(low, 2),  _mm_extract_epi32(low, 3),
                       _mm_cvtsi128_si32(high),    _mm_extract_epi32(high, 1),
                       _mm_extract_epi32(high, 2), _mm_extract_epi32(high, 3)};
    if (inside == 0xFF) {
        for (int l = 0; l < 8; ++l) {
            out[k + l] = from[at[l]];
        }
        return;
    }
    for (int l = 0; l < 8; ++l) {
        out[k + l] = (inside >> l & 1) != 0 ? from[at[l]] : to[k + l];
    }
}

__attribute__((target("avx2"))) void swirlSpanAvx2(const SwirlRow& r, int first, int last) {
    const Pixel* from = r.from;
    const Pixel* to = r.to;
    Pixel* out = r.out;
    const std::int32_t* tableX = r.dx;
    const std::int32_t* tableY = r.dy;
    const int half = r.half;
    const __m256i q = _mm256_set1_epi32(r.q);
    const __m256i j = _mm256_set1_epi32(r.j);
    const __m256i lastColumn = _mm256_set1_epi32(r.w - 1);
    const __m256i lastRow = _mm256_set1_epi32(r.h - 1);
    const __m256i width = _mm256_set1_epi32(r.w);
    const __m256i ySign = _mm256_set1_epi32(r.ySign);
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    int k = first;
    const int leftEnd = std::min(last, half);
    // Left of the centre the quarter table runs backwards and dx flips.
    for (; k + 8 <= leftEnd; k += 8) {
        const int a = half - k - 7;
        const __m256i dx = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tableX + a)), reverse);
        const __m256i dy = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tableY + a)), reverse);
        swirlEight(from, to, out, k, _mm256_sub_epi32(_mm256_setzero_si256(), dx),
                   _mm256_sign_epi32(dy, ySign), q, j, lastColumn, lastRow, width);
    }
    swirlRowScalar(r, k, leftEnd);
    k = std::max(first, half);
    for (; k + 8 <= last; k += 8) {
        const int a = k - half;
        const __m256i dx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tableX + a));
        const __m256i dy = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tableY + a));
        swirlEight(from, to, out, k, dx, _mm256_sign_epi32(dy, ySign), q, j, lastColumn, lastRow,
                   width);
    }
    swirlRowScalar(r, std::max(k, std::max(first, half)), last);
}
#endif

}  // namespace

int SwirlAway::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const bool quarter = path_ == PixelPath::Fast;
    const std::size_t columns = quarter ? static_cast<std::size_t>(w / 2 + 1) : std::size_t(w);
    const std::size_t rows = quarter ? static_cast<std::size_t>(h / 2 + 1) : std::size_t(h);
    try {
        dx_.resize(rows * columns);
        dy_.resize(rows * columns);
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    const double f = static_cast<double>((std::int64_t{w} * w + std::int64_t{h} * h) / 4) * 8;
    const double g = std::sqrt(f);
    // Offsets from the centre: b = i - H / 2, c = j - W / 2 for the whole
    // picture, or 0 to H / 2 and 0 to W / 2 for the quarter.
    const int rowOrigin = quarter ? 0 : h / 2;
    const int columnOrigin = quarter ? 0 : w / 2;
    std::size_t n = 0;
    for (std::size_t i = 0; i < rows; ++i) {
        const double b = static_cast<int>(i) - rowOrigin;
        for (std::size_t j = 0; j < columns; ++j, ++n) {
            const double c = static_cast<int>(j) - columnOrigin;
            const Displacement d = displacementAt(b, c, f, g);
            dx_[n] = d.dx;
            dy_[n] = d.dy;
        }
    }
    width_ = w;
    height_ = h;
    return 0;
}

int SwirlAway::frame(const PictureFrameBlock& block) {
    if (dx_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const double x = fractionProgress(block);
    const std::int64_t q = static_cast<std::int64_t>(x * x * 1023);
    if (path_ == PixelPath::Fast) {
        frameFast(block, static_cast<std::int32_t>(q));
    } else {
        framePlain(block, q);
    }
    return 0;
}

void SwirlAway::framePlain(const PictureFrameBlock& block, std::int64_t q) const {
    const int w = block.width;
    const int h = block.height;
    std::size_t n = 0;
    for (int j = 0; j < h; ++j) {
        Pixel* out = rowOf(block.out, w, j);
        const Pixel* to = rowOf(block.to, w, j);
        for (int k = 0; k < w; ++k, ++n) {
            const std::int64_t u = (q * dy_[n]) >> 22;
            const std::int64_t v = (q * dx_[n]) >> 22;
            // A quarter-turn part (u across) and half a radial part (v).
            const std::int64_t column = k + u + (v >> 1);
            const std::int64_t row = j + (u >> 1) - v;
            // Read a pixel either way and pick afterwards: where the edge
            // runs is data, and a branch on it mispredicts.
            const bool inside = column >= 0 && column < w && row >= 0 && row < h;
            const Pixel moved = block.from[inside ? row * w + column : 0];
            out[k] = inside ? moved : to[k];
        }
    }
}

void SwirlAway::frameFast(const PictureFrameBlock& block, std::int32_t q) const {
    const int w = block.width;
    const int h = block.height;
    const std::size_t columns = static_cast<std::size_t>(w / 2 + 1);
#if defined(__x86_64__)
    const bool avx2 = hasAvx2();
#endif
    for (int j = 0; j < h; ++j) {
        const int b = j - h / 2;
        const std::size_t tableRow = static_cast<std::size_t>(std::abs(b)) * columns;
        const SwirlRow r{block.from,
                         rowOf(block.to, w, j),
                         rowOf(block.out, w, j),
                         dx_.data() + tableRow,
                         dy_.data() + tableRow,
                         w,
                         h,
                         j,
                         w / 2,
                         q,
                         b < 0 ? -1 : 1};
#if defined(__x86_64__)
        if (avx2) {
            swirlSpanAvx2(r, 0, w);
            continue;
        }
#endif
        swirlRowScalar(r, 0, w);
    }
}

int SwirlAway::end(const PictureFrameBlock&) {
    dx_ = {};
    dy_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
