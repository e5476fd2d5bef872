#include "effects/RippleDissolve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "effects/PictureRows.h"
#include "effects/ProcessorFeatures.h"

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace effects {

namespace {

constexpr double PI = 3.141592653589793;

// g + (((f - g) * v) >> 7) per byte, all four bytes; with 0 <= v <= 127 the
// result lies between f and g.
inline Pixel blendPixel(Pixel f, Pixel g, int v) {
    Pixel result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((f >> shift) & 0xFF);
        const int b = static_cast<int>((g >> shift) & 0xFF);
        result |= static_cast<Pixel>(std::clamp(b + (((a - b) * v) >> 7), 0, 255)) << shift;
    }
    return result;
}

// One 2 x 2 block: out rows `out0`, `out1` at column x from the source
// pixel pairs.
inline void blendBlockPlain(Pixel* out0, Pixel* out1, const Pixel* f0, const Pixel* f1,
                            const Pixel* g0, const Pixel* g1, int v) {
    out0[0] = blendPixel(f0[0], g0[0], v);
    out0[1] = blendPixel(f0[1], g0[1], v);
    out1[0] = blendPixel(f1[0], g1[0], v);
    out1[1] = blendPixel(f1[1], g1[1], v);
}

#if defined(__SSE2__)
// The same on 16-bit lanes: (f - g) * v fits, 255 * 127 < 32768.
inline void blendBlockFast(Pixel* out0, Pixel* out1, const Pixel* f0, const Pixel* f1,
                           const Pixel* g0, const Pixel* g1, int v) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i weight = _mm_set1_epi16(static_cast<short>(v));
    const __m128i f = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(f0)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(f1)));
    const __m128i g = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(g0)),
                                         _mm_loadl_epi64(reinterpret_cast<const __m128i*>(g1)));
    const __m128i gl = _mm_unpacklo_epi8(g, zero);
    const __m128i gh = _mm_unpackhi_epi8(g, zero);
    const __m128i dl = _mm_sub_epi16(_mm_unpacklo_epi8(f, zero), gl);
    const __m128i dh = _mm_sub_epi16(_mm_unpackhi_epi8(f, zero), gh);
    const __m128i rl = _mm_add_epi16(gl, _mm_srai_epi16(_mm_mullo_epi16(dl, weight), 7));
    const __m128i rh = _mm_add_epi16(gh, _mm_srai_epi16(_mm_mullo_epi16(dh, weight), 7));
    const __m128i r = _mm_packus_epi16(rl, rh);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out0), r);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out1), _mm_unpackhi_epi64(r, r));
}
#endif

#if defined(__x86_64__)
constexpr bool WIDE_KERNEL = true;

// One block row of the three pictures: output rows y and y + 1, and both
// sources from their first pixel, as offsets are whole-picture ones.
struct BlockRow {
    Pixel* out0;
    Pixel* out1;
    const Pixel* from0;
    const Pixel* from1;  // from0 + W
    const Pixel* to0;
    const Pixel* to1;
};

// The blend g + (((f - g) * v) >> 7) equals (f * v + g * (128 - v)) >> 7,
// since 128 * g is a multiple of 128. With f and g moved to signed bytes
// (f - 128, g - 128) and v, 128 - v as unsigned ones, pmaddubsw forms that
// sum less 128 * 128 in one step, within -16384 .. 16256; the shift and the
// signed pack then give the result less 128.
//
// Two blocks a step, the one at column x reading at offset a and the next
// one at b. Each block's two rows, broadcast from memory and put together by
// a blend, keep the shuffle unit free for the interleave and the pack, which
// line up both blocks' first rows in the lower 128 bits and their second
// rows in the upper: each output row takes one 16-byte store.
__attribute__((target("avx2"))) inline __m256i both(const Pixel* p) {
    std::uint64_t bits;  // two pixels, in every quarter of the result
    std::memcpy(&bits, p, sizeof bits);
    return _mm256_set1_epi64x(static_cast<long long>(bits));
}

__attribute__((target("avx2"))) inline void blendPairAvx2(const BlockRow& row, int x,
                                                          std::ptrdiff_t a, std::ptrdiff_t b,
                                                          std::uint32_t weightsA,
                                                          std::uint32_t weightsB) {
    const __m256i bias = _mm256_set1_epi8(static_cast<char>(0x80));
    // Block A's first row in the lower half, its second row in the upper.
    const __m256i fa = _mm256_blend_epi32(both(row.from0 + a), both(row.from1 + a), 0xF0);
    const __m256i ga = _mm256_blend_epi32(both(row.to0 + a), both(row.to1 + a), 0xF0);
    const __m256i fb = _mm256_blend_epi32(both(row.from0 + b), both(row.from1 + b), 0xF0);
    const __m256i gb = _mm256_blend_epi32(both(row.to0 + b), both(row.to1 + b), 0xF0);
    const __m256i low = _mm256_maddubs_epi16(_mm256_set1_epi32(static_cast<int>(weightsA)),
                                             _mm256_xor_si256(_mm256_unpacklo_epi8(fa, ga), bias));
    const __m256i high = _mm256_maddubs_epi16(_mm256_set1_epi32(static_cast<int>(weightsB)),
                                              _mm256_xor_si256(_mm256_unpacklo_epi8(fb, gb), bias));
    const __m256i r = _mm256_xor_si256(
        _mm256_packs_epi16(_mm256_srai_epi16(low, 7), _mm256_srai_epi16(high, 7)), bias);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row.out0 + x), _mm256_castsi256_si128(r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row.out1 + x), _mm256_extracti128_si256(r, 1));
}

// The same for a single block.
__attribute__((target("avx2"))) inline void blendOneAvx2(const BlockRow& row, int x,
                                                         std::ptrdiff_t a, std::uint32_t weights) {
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    __m128i f = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.from0 + a));
    __m128i g = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.to0 + a));
    f = _mm_castps_si128(
        _mm_loadh_pi(_mm_castsi128_ps(f), reinterpret_cast<const __m64*>(row.from1 + a)));
    g = _mm_castps_si128(
        _mm_loadh_pi(_mm_castsi128_ps(g), reinterpret_cast<const __m64*>(row.to1 + a)));
    const __m128i w = _mm_set1_epi32(static_cast<int>(weights));
    f = _mm_xor_si128(f, bias);
    g = _mm_xor_si128(g, bias);
    const __m128i low = _mm_maddubs_epi16(w, _mm_unpacklo_epi8(f, g));
    const __m128i high = _mm_maddubs_epi16(w, _mm_unpackhi_epi8(f, g));
    const __m128i r =
        _mm_xor_si128(_mm_packs_epi16(_mm_srai_epi16(low, 7), _mm_srai_epi16(high, 7)), bias);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row.out0 + x), r);
    _mm_storeh_pi(reinterpret_cast<__m64*>(row.out1 + x), _mm_castsi128_ps(r));
}

// Blocks of row y at columns [first, last) whose sources need no reflection:
// the key's move is the whole source offset. `keys` are the row's.
__attribute__((target("avx2"))) void blendInnerRunAvx2(const BlockRow& blockRow,
                                                       std::ptrdiff_t origin, int first, int last,
                                                       const std::uint16_t* keys,
                                                       const RippleDissolve::Move* moves) {
    const BlockRow row = blockRow;  // a local copy that the stores cannot alias
    const std::uint16_t* key = keys + first / 2;
    int x = first;
    for (; x + 2 < last; x += 4, key += 2) {
        const RippleDissolve::Move& a = moves[key[0]];
        const RippleDissolve::Move& b = moves[key[1]];
        blendPairAvx2(row, x, origin + x + a.delta, origin + x + 2 + b.delta, a.weights, b.weights);
    }
    if (x < last) {
        const RippleDissolve::Move& a = moves[key[0]];
        blendOneAvx2(row, x, origin + x + a.delta, a.weights);
    }
}

// Blocks of a row at columns [first, last) whose sources may need
// reflecting: `rowAt` and `columnAt`, indexed by row and column shift, give
// the reflected source row's offset and column.
__attribute__((target("avx2"))) void blendEdgeRunAvx2(const BlockRow& blockRow, int first, int last,
                                                      const std::uint16_t* keys,
                                                      const RippleDissolve::Move* moves,
                                                      const RippleDissolve::Shift* shifts,
                                                      const std::ptrdiff_t* rowAt,
                                                      const int* columnAt) {
    const BlockRow row = blockRow;
    auto sourceOf = [&](int x, unsigned k) {
        return rowAt[shifts[k].dy] + columnAt[x + shifts[k].dx];
    };
    const std::uint16_t* key = keys + first / 2;
    int x = first;
    for (; x + 2 < last; x += 4, key += 2) {
        blendPairAvx2(row, x, sourceOf(x, key[0]), sourceOf(x + 2, key[1]), moves[key[0]].weights,
                      moves[key[1]].weights);
    }
    if (x < last) {
        blendOneAvx2(row, x, sourceOf(x, key[0]), moves[key[0]].weights);
    }
}

// One phase's moves for `count` directions, a multiple of 8.
__attribute__((target("avx2"))) void fillMovesAvx2(int push, std::uint32_t weights, int width,
                                                   const std::int32_t* across,
                                                   const std::int32_t* along, std::size_t count,
                                                   RippleDissolve::Move* moves,
                                                   RippleDissolve::Shift* shifts) {
    const __m256i factor = _mm256_set1_epi32(push);
    const __m256i w = _mm256_set1_epi32(width);
    const __m256i weight = _mm256_set1_epi32(static_cast<int>(weights));
    const __m256i low16 = _mm256_set1_epi32(0xFFFF);
    static_assert(sizeof(RippleDissolve::Move) == 8 && sizeof(RippleDissolve::Shift) == 4);
    for (std::size_t i = 0; i < count; i += 8) {
        const __m256i dx = _mm256_srai_epi32(
            _mm256_mullo_epi32(factor,
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(across + i))),
            13);
        const __m256i dy = _mm256_srai_epi32(
            _mm256_mullo_epi32(factor,
                               _mm256_loadu_si256(reinterpret_cast<const __m256i*>(along + i))),
            13);
        const __m256i delta = _mm256_add_epi32(_mm256_mullo_epi32(dy, w), dx);
        // Lanes hold moves 0, 1, 4, 5 and 2, 3, 6, 7.
        const __m256i low = _mm256_unpacklo_epi32(delta, weight);
        const __m256i high = _mm256_unpackhi_epi32(delta, weight);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(moves + i),
                            _mm256_permute2x128_si256(low, high, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(moves + i + 4),
                            _mm256_permute2x128_si256(low, high, 0x31));
        _mm256_storeu_si256(
            reinterpret_cast<__m256i*>(shifts + i),
            _mm256_or_si256(_mm256_and_si256(dx, low16), _mm256_slli_epi32(dy, 16)));
    }
}
#else
constexpr bool WIDE_KERNEL = false;
#endif

}  // namespace

int RippleDissolve::reflect(int position, int length) {
    if (position < 0) {
        position = -position;
    } else if (position >= length - 1) {
        position = 2 * length - 4 - position;
    }
    // Displacements stay within 30 pixels, which only a frame narrower than
    // that can overshoot after one reflection.
    return std::clamp(position, 0, std::max(length - 2, 0));
}

RippleDissolve::BlockWave RippleDissolve::blockAt(int x, int y) const {
    return blocks_[static_cast<std::size_t>(y / 2) * static_cast<std::size_t>(width_ / 2) +
                   static_cast<std::size_t>(x / 2)];
}

int RippleDissolve::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    // A frame narrower than 8 pixels would have no wavelength; one pixel
    // keeps the phase defined.
    const int wavelength = std::max(w / 8, 1);
    const int cx = w / 2;
    const int cy = h / 2;
    try {
        blocks_.resize(static_cast<std::size_t>(w / 2) * static_cast<std::size_t>(h / 2));
        sine_.resize(static_cast<std::size_t>(wavelength));
        cosine_.resize(static_cast<std::size_t>(wavelength));
        steps_.resize(static_cast<std::size_t>(wavelength) + 1);
        across_.reserve(32 * 32);
        along_.reserve(32 * 32);
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    for (int y = 0; y + 1 < h; y += 2) {
        for (int x = 0; x + 1 < w; x += 2) {
            const int dx = std::abs(x - cx);
            const int dy = std::abs(y - cy);
            const int d = static_cast<int>(
                std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
            BlockWave& wave =
                blocks_[static_cast<std::size_t>(y / 2) * static_cast<std::size_t>(w / 2) +
                        static_cast<std::size_t>(x / 2)];
            wave.phase = static_cast<std::uint16_t>(wavelength - d % wavelength);
            wave.across = static_cast<std::uint8_t>(d == 0 ? 0 : dx * 31 / d);
            wave.along = static_cast<std::uint8_t>(d == 0 ? 0 : dy * 31 / d);
        }
    }
    // Number the directions that occur; a key must fit 16 bits.
    constexpr int NO_DIRECTION = -1;
    std::array<int, 32 * 32> directionOf;
    directionOf.fill(NO_DIRECTION);
    for (const BlockWave& wave : blocks_) {
        int& direction = directionOf[static_cast<std::size_t>(wave.across * 32 + wave.along)];
        if (direction == NO_DIRECTION) {
            direction = static_cast<int>(across_.size());
            across_.push_back(wave.across);
            along_.push_back(wave.along);
        }
    }
    while (across_.size() % 8 != 0) {
        across_.push_back(0);
        along_.push_back(0);
    }
    const std::size_t moveCount = (static_cast<std::size_t>(wavelength) + 1) * across_.size();
    if (moveCount <= std::size_t{1} << 16) {
        try {
            keys_.resize(blocks_.size());
            moves_.resize(moveCount);
            shifts_.resize(moveCount);
            rowAt_.resize(static_cast<std::size_t>(h) + 2 * REACH);
            columnAt_.resize(static_cast<std::size_t>(w) + 2 * REACH);
        } catch (const std::bad_alloc&) {
            keys_ = {};
            moves_ = {};
            shifts_ = {};
            rowAt_ = {};
            columnAt_ = {};
        }
        for (std::size_t i = 0; i < rowAt_.size(); ++i) {
            rowAt_[i] = static_cast<std::ptrdiff_t>(reflect(static_cast<int>(i) - REACH, h)) * w;
        }
        for (std::size_t i = 0; i < columnAt_.size(); ++i) {
            columnAt_[i] = reflect(static_cast<int>(i) - REACH, w);
        }
        for (std::size_t b = 0; b < keys_.size(); ++b) {
            const BlockWave& wave = blocks_[b];
            keys_[b] = static_cast<std::uint16_t>(
                wave.phase * across_.size() +
                static_cast<std::size_t>(
                    directionOf[static_cast<std::size_t>(wave.across * 32 + wave.along)]));
        }
    }
    for (int j = 0; j < wavelength; ++j) {
        sine_[static_cast<std::size_t>(j)] =
            static_cast<int>(std::sin(2 * PI * j / wavelength) * 127);
        cosine_[static_cast<std::size_t>(j)] =
            static_cast<int>(std::cos(2 * PI * j / wavelength) * 31);
    }
    width_ = w;
    height_ = h;
    return 0;
}

int RippleDissolve::end(const PictureFrameBlock&) {
    blocks_ = {};
    sine_ = {};
    cosine_ = {};
    steps_ = {};
    across_ = {};
    along_ = {};
    keys_ = {};
    moves_ = {};
    shifts_ = {};
    rowAt_ = {};
    columnAt_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

int RippleDissolve::frame(const PictureFrameBlock& block) {
    if (sine_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const int wavelength = static_cast<int>(sine_.size());
    const double t = fractionProgress(block);
    const int amplitude = t < 0.2    ? static_cast<int>(t * 315)
                          : t >= 0.8 ? static_cast<int>((1 - t) * 315)
                                     : 63;
    const int offset = static_cast<int>(t * 189 - 31);
    const int shift = static_cast<int>(3 * t * wavelength) % wavelength;

    // Per phase of a block (1 .. wavelength), this frame's displacement
    // factor and weight: the phase shift is folded in here, once per frame.
    Step* byPhase = steps_.data();
    for (int phase = 1; phase <= wavelength; ++phase) {
        int q = phase + shift;
        q = q >= wavelength ? q - wavelength : q;
        const int k = cosine_[static_cast<std::size_t>(q)] + offset;
        byPhase[phase] = {sine_[static_cast<std::size_t>(q)] * amplitude,
                          127 - std::clamp(k - 1, 0, 127)};
    }

    // A block reads within 31 rows of its own. The rows a block row will
    // need are asked for once, `AHEAD` rows early, so that they are in the
    // cache whichever block reads them; per-block requests cost more than
    // they save.
    constexpr int AHEAD = 34;
    constexpr int LINE_PIXELS = 16;
    // Blocks read within 31 columns of their own too: drawn in stripes this
    // wide, the rows a stripe reads (some 64 rows of both pictures, 320
    // pixels wide: 160 KB) stay in the second-level cache, which whole rows
    // of a large frame do not; narrower stripes read more columns twice.
    constexpr int STRIPE = 256;
    // `drawRow(y, left, right)` draws the blocks of row y that start at
    // columns [left, right).
    auto drawStripes = [&](auto drawRow) {
        for (int left = 0; left + 1 < w; left += STRIPE) {
            const int right = std::min(left + STRIPE, w - 1);  // blocks start before `right`
            const int fetchFirst = std::max(left - 32, 0) & ~(LINE_PIXELS - 1);
            const int fetchEnd = std::min(right + 33, w);
            for (int y = 0; y + 1 < h; y += 2) {
                if (y + AHEAD + 1 < h) {
                    const Pixel* fromAhead = rowOf(block.from, w, y + AHEAD);
                    const Pixel* toAhead = rowOf(block.to, w, y + AHEAD);
                    for (int x = fetchFirst; x < fetchEnd; x += LINE_PIXELS) {
                        __builtin_prefetch(fromAhead + x);
                        __builtin_prefetch(fromAhead + w + x);
                        __builtin_prefetch(toAhead + x);
                        __builtin_prefetch(toAhead + w + x);
                    }
                }
                drawRow(y, left, right);
            }
        }
    };
    const int blocksPerRow = w / 2;
    // The ripple moves a block by at most `margin` - 1 pixels one way and
    // `margin` the other (a full swell: 30 and 31).
    const int margin = static_cast<int>(std::int64_t{127} * std::abs(amplitude) * 31 / 8192) + 1;
    const bool wide =
        WIDE_KERNEL && path_ == PixelPath::Fast && !keys_.empty() && margin <= REACH && hasAvx2();
#if defined(__x86_64__)
    if (wide) {
        // This frame's move of every key.
        const std::size_t directions = across_.size();
        for (int phase = 1; phase <= wavelength; ++phase) {
            const auto v = static_cast<std::uint32_t>(byPhase[phase].weight);
            const std::size_t first = static_cast<std::size_t>(phase) * directions;
            fillMovesAvx2(byPhase[phase].push, (v | (128 - v) << 8) * 0x10001u, w, across_.data(),
                          along_.data(), directions, moves_.data() + first, shifts_.data() + first);
        }
        // Blocks `margin` or more from every edge never reflect.
        const int innerLeft = (margin + 1) & ~1;  // the first even column at `margin` or beyond
        const int innerRight = w - 1 - margin;    // inner blocks start before it
        const int innerBottom = (margin + 1) & ~1;
        const int innerTop = h - 1 - margin;
        drawStripes([&](int y, int left, int right) {
            const BlockRow row{rowOf(block.out, w, y),
                               rowOf(block.out, w, y + 1),
                               block.from,
                               block.from + w,
                               block.to,
                               block.to + w};
            const std::uint16_t* keys =
                keys_.data() + static_cast<std::size_t>(y / 2) * blocksPerRow;
            const std::ptrdiff_t* rowAt = rowAt_.data() + REACH + y;
            const int* columnAt = columnAt_.data() + REACH;
            const int runFirst = std::clamp(innerLeft, left, right);
            const int runLast = std::max(std::min(innerRight, right), runFirst);
            if (y < innerBottom || y >= innerTop || runFirst == runLast) {
                blendEdgeRunAvx2(row, left, right, keys, moves_.data(), shifts_.data(), rowAt,
                                 columnAt);
                return;
            }
            const int runEnd =
                runFirst + 2 * ((runLast - runFirst + 1) / 2);  // the next block's column
            if (left < runFirst) {
                blendEdgeRunAvx2(row, left, runFirst, keys, moves_.data(), shifts_.data(), rowAt,
                                 columnAt);
            }
            blendInnerRunAvx2(row, static_cast<std::ptrdiff_t>(y) * w, runFirst, runEnd, keys,
                              moves_.data());
            if (runEnd < right) {
                blendEdgeRunAvx2(row, runEnd, right, keys, moves_.data(), shifts_.data(), rowAt,
                                 columnAt);
            }
        });
    }
#endif
    // Otherwise one block at a time from its phase and direction.
    auto drawBlocks = [&](auto blend) {
        return [&, blend](int y, int first, int last) {
            Pixel* out0 = rowOf(block.out, w, y);
            Pixel* out1 = rowOf(block.out, w, y + 1);
            const BlockWave* wave =
                blocks_.data() + static_cast<std::size_t>(y / 2) * blocksPerRow + first / 2;
            for (int x = first; x < last; x += 2, ++wave) {
                const Step step = byPhase[wave->phase];
                int sx = x + ((step.push * wave->across) >> 13);
                int sy = y + ((step.push * wave->along) >> 13);
                if (sx < 0 || sx >= w - 1) {
                    sx = reflect(sx, w);
                }
                if (sy < 0 || sy >= h - 1) {
                    sy = reflect(sy, h);
                }
                const std::ptrdiff_t at = static_cast<std::ptrdiff_t>(sy) * w + sx;
                const Pixel* f0 = block.from + at;
                const Pixel* g0 = block.to + at;
                blend(out0 + x, out1 + x, f0, f0 + w, g0, g0 + w, step.weight);
            }
        };
    };
    if (!wide) {
#if defined(__SSE2__)
        if (path_ == PixelPath::Fast) {
            drawStripes(drawBlocks(blendBlockFast));
        } else {
            drawStripes(drawBlocks(blendBlockPlain));
        }
#else
        drawStripes(drawBlocks(blendBlockPlain));
#endif
    }
    // A column or row that no block covers (odd sizes, never a stage) takes
    // the dissolve without ripples.
    const int still = 127 - std::clamp(offset - 1, 0, 127);
    const int evenWidth = w - w % 2;
    const int evenHeight = h - h % 2;
    for (int y = 0; y < h; ++y) {
        for (int x = y < evenHeight ? evenWidth : 0; x < w; ++x) {
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(w) +
                                   static_cast<std::size_t>(x);
            block.out[at] = blendPixel(block.from[at], block.to[at], still);
        }
    }
    return 0;
}

}  // namespace effects
