#include "effects/SwirlAway.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <utility>

#include "effects/PictureRows.h"
#include "effects/ProcessorFeatures.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace effects {

namespace {

constexpr double SQRT_8 = 2.8284271247461900975;

// Tiles of the fast path, classified per frame: small tiles leave few
// pixels on the tiles that straddle the picture's outline, and each costs
// one bound test per frame.
constexpr int SWIRL_TILE_WIDTH = 32;
constexpr int SWIRL_TILE_HEIGHT = 8;
// Every how many pixels a row asks for its next source line: neighbours
// mostly read the same or the next line, and a hint per pixel costs more
// than it saves where the pictures stay in cache.
constexpr int SWIRL_PREFETCH_STEP = 4;

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

// Hints to fetch the line holding p, to read or to write it; nothing where
// the compiler has no such hint.
inline void prefetchPixel(const Pixel* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p);
#else
    (void)p;
#endif
}

inline void prefetchForWrite(Pixel* p) {
#if defined(__GNUC__)
    __builtin_prefetch(p, 1);
#else
    (void)p;
#endif
}

// One row of the frame on the mirrored quarter tables.
struct SwirlRow {
    const std::int32_t* dx;  // the quarter table's row |b|
    const std::int32_t* dy;
    int w, h, j, half;  // half = W / 2, the centre column
    std::int32_t q, ySign;
};

// The source index of pixel k of the row; with `Checked`, -1 where the
// source lies outside the picture (the pixel then shows `to`).
template <bool Checked>
std::int32_t swirlIndex(const SwirlRow& r, int k) {
    const int c = k - r.half;
    const int a = std::abs(c);
    const std::int32_t dx = c < 0 ? -r.dx[a] : r.dx[a];
    const std::int32_t dy = r.ySign * r.dy[a];
    const std::int32_t u = scaled22(r.q, dy);
    const std::int32_t v = scaled22(r.q, dx);
    const std::int32_t column = k + u + (v >> 1);
    const std::int32_t row = r.j + (u >> 1) - v;
    if constexpr (Checked) {
        if (static_cast<std::uint32_t>(column) >= static_cast<std::uint32_t>(r.w) ||
            static_cast<std::uint32_t>(row) >= static_cast<std::uint32_t>(r.h)) {
            return -1;
        }
    }
    return row * r.w + column;
}

// Source indices of pixels [first, last) of the row into at[first, last).
template <bool Checked>
void swirlIndicesScalar(const SwirlRow& r, int first, int last, std::int32_t* at) {
    for (int k = first; k < last; ++k) {
        at[k] = swirlIndex<Checked>(r, k);
    }
}

#if defined(__x86_64__)
// floor(q * d / 2^22) on eight lanes, as scaled22.
__attribute__((target("avx2"), always_inline)) inline __m256i scaled22x8(__m256i q, __m256i d) {
    const __m256i high = _mm256_mullo_epi32(q, _mm256_srai_epi32(d, 10));
    const __m256i low =
        _mm256_srli_epi32(_mm256_mullo_epi32(q, _mm256_and_si256(d, _mm256_set1_epi32(1023))), 10);
    return _mm256_srai_epi32(_mm256_add_epi32(high, low), 12);
}

// Eight source indices: (j + (u >> 1) - v) * W + k + u + (v >> 1), with
// j * W + k arriving in `start`.
template <bool Checked>
__attribute__((target("avx2"), always_inline)) inline __m256i swirlIndexEight(
    __m256i dx, __m256i dy, __m256i q, __m256i width, __m256i start, __m256i k, __m256i j,
    __m256i lastColumn, __m256i lastRow) {
    const __m256i u = scaled22x8(q, dy);
    const __m256i v = scaled22x8(q, dx);
    const __m256i rowStep = _mm256_sub_epi32(_mm256_srai_epi32(u, 1), v);
    const __m256i columnStep = _mm256_add_epi32(u, _mm256_srai_epi32(v, 1));
    const __m256i index =
        _mm256_add_epi32(_mm256_add_epi32(start, columnStep), _mm256_mullo_epi32(rowStep, width));
    if constexpr (!Checked) {
        return index;
    }
    // Unsigned: negative positions compare as huge.
    const __m256i column = _mm256_add_epi32(k, columnStep);
    const __m256i row = _mm256_add_epi32(j, rowStep);
    const __m256i columnInside = _mm256_cmpeq_epi32(_mm256_min_epu32(column, lastColumn), column);
    const __m256i rowInside = _mm256_cmpeq_epi32(_mm256_min_epu32(row, lastRow), row);
    const __m256i outside =
        _mm256_andnot_si256(_mm256_and_si256(columnInside, rowInside), _mm256_set1_epi32(-1));
    return _mm256_or_si256(index, outside);
}

template <bool Checked>
__attribute__((target("avx2"))) void swirlIndicesAvx2(const SwirlRow& r, int first, int last,
                                                      std::int32_t* at) {
    const std::int32_t* tableX = r.dx;
    const std::int32_t* tableY = r.dy;
    const int half = r.half;
    const __m256i q = _mm256_set1_epi32(r.q);
    const __m256i width = _mm256_set1_epi32(r.w);
    const __m256i j = _mm256_set1_epi32(r.j);
    const __m256i lastColumn = _mm256_set1_epi32(r.w - 1);
    const __m256i lastRow = _mm256_set1_epi32(r.h - 1);
    const __m256i ySign = _mm256_set1_epi32(r.ySign);
    const __m256i reverse = _mm256_setr_epi32(7, 6, 5, 4, 3, 2, 1, 0);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const int rowStart = r.j * r.w;
    int k = first;
    const int leftEnd = std::min(last, half);
    // Left of the centre the quarter table runs backwards and dx flips.
    for (; k + 8 <= leftEnd; k += 8) {
        const int a = half - k - 7;
        const __m256i dx = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tableX + a)), reverse);
        const __m256i dy = _mm256_permutevar8x32_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tableY + a)), reverse);
        const __m256i ks = _mm256_add_epi32(_mm256_set1_epi32(k), lanes);
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(at + k),
            swirlIndexEight<Checked>(_mm256_sub_epi32(_mm256_setzero_si256(), dx),
                                     _mm256_sign_epi32(dy, ySign), q, width,
                                     _mm256_add_epi32(_mm256_set1_epi32(rowStart), ks), ks, j,
                                     lastColumn, lastRow));
    }
    swirlIndicesScalar<Checked>(r, k, leftEnd, at);
    k = std::max(first, half);
    for (; k + 8 <= last; k += 8) {
        const int a = k - half;
        const __m256i dx = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tableX + a));
        const __m256i dy = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(tableY + a));
        const __m256i ks = _mm256_add_epi32(_mm256_set1_epi32(k), lanes);
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(at + k),
            swirlIndexEight<Checked>(dx, _mm256_sign_epi32(dy, ySign), q, width,
                                     _mm256_add_epi32(_mm256_set1_epi32(rowStart), ks), ks, j,
                                     lastColumn, lastRow));
    }
    swirlIndicesScalar<Checked>(r, std::max(k, std::max(first, half)), last, at);
}

// The same on sixteen lanes, where the processor has AVX-512: half the
// instructions per pixel. gcc 12's AVX-512 headers start their shifts and
// permutes from an undefined vector, which its own uninitialised-use
// warning flags.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
__attribute__((target("avx512f"), always_inline)) inline __m512i scaled22x16(__m512i q, __m512i d) {
    const __m512i high = _mm512_mullo_epi32(q, _mm512_srai_epi32(d, 10));
    const __m512i low =
        _mm512_srli_epi32(_mm512_mullo_epi32(q, _mm512_and_si512(d, _mm512_set1_epi32(1023))), 10);
    return _mm512_srai_epi32(_mm512_add_epi32(high, low), 12);
}

template <bool Checked>
__attribute__((target("avx512f"), always_inline)) inline __m512i swirlIndexSixteen(
    __m512i dx, __m512i dy, __m512i q, __m512i width, __m512i rowStart, __m512i k, __m512i j,
    __m512i w, __m512i h) {
    const __m512i u = scaled22x16(q, dy);
    const __m512i v = scaled22x16(q, dx);
    const __m512i rowStep = _mm512_sub_epi32(_mm512_srai_epi32(u, 1), v);
    const __m512i columnStep = _mm512_add_epi32(u, _mm512_srai_epi32(v, 1));
    const __m512i index =
        _mm512_add_epi32(_mm512_add_epi32(_mm512_add_epi32(rowStart, k), columnStep),
                         _mm512_mullo_epi32(rowStep, width));
    if constexpr (!Checked) {
        return index;
    }
    // Unsigned: negative positions compare as huge.
    const __mmask16 inside = _mm512_cmplt_epu32_mask(_mm512_add_epi32(k, columnStep), w) &
                             _mm512_cmplt_epu32_mask(_mm512_add_epi32(j, rowStep), h);
    return _mm512_mask_mov_epi32(_mm512_set1_epi32(-1), inside, index);
}

template <bool Checked>
__attribute__((target("avx512f"))) void swirlIndicesAvx512(const SwirlRow& r, int first, int last,
                                                           std::int32_t* at) {
    const std::int32_t* tableX = r.dx;
    const std::int32_t* tableY = r.dy;
    const int half = r.half;
    const __m512i q = _mm512_set1_epi32(r.q);
    const __m512i width = _mm512_set1_epi32(r.w);
    const __m512i j = _mm512_set1_epi32(r.j);
    const __m512i h = _mm512_set1_epi32(r.h);
    const __m512i rowStart = _mm512_set1_epi32(r.j * r.w);
    const __m512i ySign = _mm512_set1_epi32(r.ySign);
    const __m512i reverse = _mm512_setr_epi32(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const __m512i lanes = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    int k = first;
    const int leftEnd = std::min(last, half);
    // Left of the centre the quarter table runs backwards and dx flips.
    for (; k + 16 <= leftEnd; k += 16) {
        const int a = half - k - 15;
        const __m512i dx = _mm512_permutexvar_epi32(reverse, _mm512_loadu_si512(tableX + a));
        const __m512i dy = _mm512_permutexvar_epi32(reverse, _mm512_loadu_si512(tableY + a));
        const __m512i ks = _mm512_add_epi32(_mm512_set1_epi32(k), lanes);
        _mm512_storeu_si512(
            at + k, swirlIndexSixteen<Checked>(_mm512_sub_epi32(_mm512_setzero_si512(), dx),
                                               _mm512_mullo_epi32(dy, ySign), q, width, rowStart,
                                               ks, j, width, h));
    }
    swirlIndicesScalar<Checked>(r, k, leftEnd, at);
    k = std::max(first, half);
    for (; k + 16 <= last; k += 16) {
        const int a = k - half;
        const __m512i dx = _mm512_loadu_si512(tableX + a);
        const __m512i dy = _mm512_loadu_si512(tableY + a);
        const __m512i ks = _mm512_add_epi32(_mm512_set1_epi32(k), lanes);
        _mm512_storeu_si512(at + k, swirlIndexSixteen<Checked>(dx, _mm512_mullo_epi32(dy, ySign), q,
                                                               width, rowStart, ks, j, width, h));
    }
    swirlIndicesScalar<Checked>(r, std::max(k, std::max(first, half)), last, at);
}

#pragma GCC diagnostic pop

bool hasAvx512() {
    static const bool available = __builtin_cpu_supports("avx512f");
    return available;
}
#endif

// Which kernel computes the source indices.
enum class SwirlKernel { Plain, Avx2, Avx512 };

template <bool Checked>
void swirlIndices(SwirlKernel kernel, const SwirlRow& r, int first, int last, std::int32_t* at) {
#if defined(__x86_64__)
    if (kernel == SwirlKernel::Avx512) {
        swirlIndicesAvx512<Checked>(r, first, last, at);
        return;
    }
    if (kernel == SwirlKernel::Avx2) {
        swirlIndicesAvx2<Checked>(r, first, last, at);
        return;
    }
#endif
    (void)kernel;
    swirlIndicesScalar<Checked>(r, first, last, at);
}

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
        tiles_.clear();
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
    if (quarter && !buildTileBounds(w, h)) {
        end(block);
        return 0;
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

// Tiles whose every source lies outside the picture are a copy of `to`
// (two pixels in five over a whole transition); tiles whose every source
// lies inside need no edge tests; only the few tiles on the picture's
// shrinking outline test each pixel. Rows are drawn in order, in two
// passes: first the source index of every pixel, with the source lines
// asked of memory, then, a row later, the copies. The sources are scattered over
// hundreds of lines that are often out of cache when the three pictures
// outgrow it; asking for them before the first one is read overlaps their
// waits. `out`, `to` and the tables are read in order, which the
// processor's own prefetch follows. (Drawing tile by tile, or the rows
// above and below the centre in pairs to share table rows, measured no
// faster or slower.)
void SwirlAway::frameFast(const PictureFrameBlock& block, std::int32_t q) {
    const int w = block.width;
    const int h = block.height;
    const int half = w / 2;
    const std::size_t columns = static_cast<std::size_t>(half + 1);
    const int tilesAcross = (w + SWIRL_TILE_WIDTH - 1) / SWIRL_TILE_WIDTH;
    SwirlKernel kernel = SwirlKernel::Plain;
#if defined(__x86_64__)
    if (kernel_ == Kernel::Widest && hasAvx512()) {
        kernel = SwirlKernel::Avx512;
    } else if (kernel_ != Kernel::Scalar && hasAvx2()) {
        kernel = SwirlKernel::Avx2;
    }
#endif
    // What every tile does this frame.
    const int tilesDown = (h + SWIRL_TILE_HEIGHT - 1) / SWIRL_TILE_HEIGHT;
    for (int band = 0; band < tilesDown; ++band) {
        const int top = band * SWIRL_TILE_HEIGHT;
        const int bottom = std::min(h, top + SWIRL_TILE_HEIGHT);
        const std::size_t first =
            static_cast<std::size_t>(band) * static_cast<std::size_t>(tilesAcross);
        for (int tile = 0; tile < tilesAcross; ++tile) {
            const int left = tile * SWIRL_TILE_WIDTH;
            const int right = std::min(w, left + SWIRL_TILE_WIDTH);
            // u and v grow with dy and dx (q >= 0), so the extremes of the
            // displacement bound the tile's source rectangle.
            const TileBounds& t = tiles_[first + static_cast<std::size_t>(tile)];
            const std::int32_t uLow = scaled22(q, t.dyLow);
            const std::int32_t uHigh = scaled22(q, t.dyHigh);
            const std::int32_t vLow = scaled22(q, t.dxLow);
            const std::int32_t vHigh = scaled22(q, t.dxHigh);
            const int columnLow = left + uLow + (vLow >> 1);
            const int columnHigh = right - 1 + uHigh + (vHigh >> 1);
            const int rowLow = top + (uLow >> 1) - vHigh;
            const int rowHigh = bottom - 1 + (uHigh >> 1) - vLow;
            TileKind& kind = tileKinds_[first + static_cast<std::size_t>(tile)];
            if (columnHigh < 0 || columnLow >= w || rowHigh < 0 || rowLow >= h) {
                kind = TileKind::Outside;
            } else if (columnLow >= 0 && columnHigh < w && rowLow >= 0 && rowHigh < h) {
                kind = TileKind::Inside;
            } else {
                kind = TileKind::Edge;
            }
        }
    }
    const auto kindsOf = [&](int j) {
        return tileKinds_.data() + static_cast<std::size_t>(j / SWIRL_TILE_HEIGHT) *
                                       static_cast<std::size_t>(tilesAcross);
    };
    // The first pass of row j: copies of `to`, source indices into `at`,
    // and the hints for the source lines.
    const auto prepareRow = [&](int j, std::int32_t* at) {
        const TileKind* kinds = kindsOf(j);
        const int b = j - h / 2;
        const std::size_t tableRow = static_cast<std::size_t>(std::abs(b)) * columns;
        const SwirlRow r{dx_.data() + tableRow, dy_.data() + tableRow, w, h, j, half, q,
                         b < 0 ? -1 : 1};
        Pixel* out = rowOf(block.out, w, j);
        const Pixel* to = rowOf(block.to, w, j);
        for (int tile = 0; tile < tilesAcross; ++tile) {
            const int left = tile * SWIRL_TILE_WIDTH;
            const int right = std::min(w, left + SWIRL_TILE_WIDTH);
            if (kinds[tile] == TileKind::Outside) {
                copyPixels(out + left, to + left, right - left);
                continue;
            }
            if (kinds[tile] == TileKind::Inside) {
                swirlIndices<false>(kernel, r, left, right, at);
            } else {
                swirlIndices<true>(kernel, r, left, right, at);
            }
            for (int k = left; k < right; k += SWIRL_PREFETCH_STEP) {
                prefetchPixel(block.from + std::max(at[k], 0));
            }
            // The copies of the next pass write here; owning the lines
            // by then keeps the stores from queueing behind their misses.
            for (int k = left; k < right; k += 16) {
                prefetchForWrite(out + k);
            }
        }
    };
    // A row's first pass runs one row ahead of its second, so that its
    // source lines have a whole row's time to arrive.
    std::int32_t* ahead = rowIndex_.data();
    std::int32_t* at = rowIndex_.data() + w;
    prepareRow(0, ahead);
    for (int j = 0; j < h; ++j) {
        std::swap(ahead, at);
        if (j + 1 < h) {
            prepareRow(j + 1, ahead);
        }
        const TileKind* kinds = kindsOf(j);
        Pixel* out = rowOf(block.out, w, j);
        const Pixel* to = rowOf(block.to, w, j);
        for (int tile = 0; tile < tilesAcross; ++tile) {
            const int left = tile * SWIRL_TILE_WIDTH;
            const int right = std::min(w, left + SWIRL_TILE_WIDTH);
            if (kinds[tile] == TileKind::Inside) {
                for (int k = left; k < right; ++k) {
                    out[k] = block.from[at[k]];
                }
            } else if (kinds[tile] == TileKind::Edge) {
                for (int k = left; k < right; ++k) {
                    out[k] = at[k] >= 0 ? block.from[at[k]] : to[k];
                }
            }
        }
    }
}

// Least and greatest dx and dy of every tile, from the quarter tables: left
// of the centre a row's entries run backwards with dx negated, below it dy
// is negated.
bool SwirlAway::buildTileBounds(int w, int h) {
    const int half = w / 2;
    const std::size_t columns = static_cast<std::size_t>(half + 1);
    const int tilesAcross = (w + SWIRL_TILE_WIDTH - 1) / SWIRL_TILE_WIDTH;
    const int tilesDown = (h + SWIRL_TILE_HEIGHT - 1) / SWIRL_TILE_HEIGHT;
    try {
        tiles_.assign(static_cast<std::size_t>(tilesAcross) * static_cast<std::size_t>(tilesDown),
                      TileBounds{INT32_MAX, INT32_MIN, INT32_MAX, INT32_MIN});
        tileKinds_.assign(tiles_.size(), TileKind::Edge);
        rowIndex_.assign(static_cast<std::size_t>(w) * 2, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    // Rows b and -b read the same table row: its extremes per tile column
    // serve both, with dy negated below the centre.
    const int centre = h / 2;
    for (int row = 0; row <= std::max(centre, h - 1 - centre); ++row) {
        const std::size_t tableRow = static_cast<std::size_t>(row) * columns;
        const std::int32_t* tableX = dx_.data() + tableRow;
        const std::int32_t* tableY = dy_.data() + tableRow;
        TileBounds* above =
            centre + row < h
                ? tiles_.data() + static_cast<std::size_t>((centre + row) / SWIRL_TILE_HEIGHT) *
                                      static_cast<std::size_t>(tilesAcross)
                : nullptr;
        TileBounds* below =
            row > 0 && centre - row >= 0
                ? tiles_.data() + static_cast<std::size_t>((centre - row) / SWIRL_TILE_HEIGHT) *
                                      static_cast<std::size_t>(tilesAcross)
                : nullptr;
        for (int tile = 0; tile < tilesAcross; ++tile) {
            const int left = tile * SWIRL_TILE_WIDTH;
            const int right = std::min(w, left + SWIRL_TILE_WIDTH);
            // Quarter-table entries [first, last] and the sign dx takes there.
            const auto take = [&](int first, int last, std::int32_t xSign) {
                // Plain reductions, which the compiler vectorises.
                std::int32_t xLow = INT32_MAX, xHigh = INT32_MIN;
                std::int32_t yLow = INT32_MAX, yHigh = INT32_MIN;
                for (int a = first; a <= last; ++a) {
                    xLow = std::min(xLow, tableX[a]);
                    xHigh = std::max(xHigh, tableX[a]);
                    yLow = std::min(yLow, tableY[a]);
                    yHigh = std::max(yHigh, tableY[a]);
                }
                const std::int32_t x0 = xSign * xLow, x1 = xSign * xHigh;
                const auto widen = [&](TileBounds& t, std::int32_t y0, std::int32_t y1) {
                    t.dxLow = std::min({t.dxLow, x0, x1});
                    t.dxHigh = std::max({t.dxHigh, x0, x1});
                    t.dyLow = std::min({t.dyLow, y0, y1});
                    t.dyHigh = std::max({t.dyHigh, y0, y1});
                };
                if (above != nullptr) {
                    widen(above[tile], yLow, yHigh);
                }
                if (below != nullptr) {
                    widen(below[tile], -yLow, -yHigh);
                }
            };
            if (left < half) {
                take(half - std::min(right, half) + 1, half - left, -1);
            }
            if (right > half) {
                take(std::max(left, half) - half, right - 1 - half, 1);
            }
        }
    }
    return true;
}

int SwirlAway::end(const PictureFrameBlock&) {
    dx_ = {};
    dy_ = {};
    tiles_ = {};
    tileKinds_ = {};
    rowIndex_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
