#include "effects/RippleDissolve.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
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

// The blend g + (((f - g) * v) >> 7) equals (f * v + g * (128 - v)) >> 7,
// since 128 * g is a multiple of 128. With f and g moved to signed bytes
// (f - 128, g - 128) and v, 128 - v as unsigned ones, pmaddubsw forms that
// sum less 128 * 128 in one step, within -16384 .. 16256; the shift and the
// signed pack then give the result less 128.
struct Avx2Blend {
    __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));

    // One block: `at` is its source offset from the block's own first pixel.
    __attribute__((target("avx2"))) void one(Pixel* out0, Pixel* out1, const Pixel* from0,
                                             const Pixel* from1, const Pixel* to0, const Pixel* to1,
                                             std::ptrdiff_t at, std::uint32_t weights) const {
        __m128i f = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(from0 + at));
        __m128i g = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(to0 + at));
        f = _mm_castps_si128(
            _mm_loadh_pi(_mm_castsi128_ps(f), reinterpret_cast<const __m64*>(from1 + at)));
        g = _mm_castps_si128(
            _mm_loadh_pi(_mm_castsi128_ps(g), reinterpret_cast<const __m64*>(to1 + at)));
        const __m128i w = _mm_set1_epi32(static_cast<int>(weights));
        f = _mm_xor_si128(f, bias);
        g = _mm_xor_si128(g, bias);
        const __m128i low = _mm_maddubs_epi16(w, _mm_unpacklo_epi8(f, g));
        const __m128i high = _mm_maddubs_epi16(w, _mm_unpackhi_epi8(f, g));
        const __m128i r =
            _mm_xor_si128(_mm_packs_epi16(_mm_srai_epi16(low, 7), _mm_srai_epi16(high, 7)), bias);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out0), r);
        _mm_storeh_pi(reinterpret_cast<__m64*>(out1), _mm_castsi128_ps(r));
    }
};

// A run of blocks of one block row whose sources need no reflection, two
// blocks a step: the lower 128 bits carry both blocks' first rows, the upper
// their second rows, so each output row takes one 16-byte store.
__attribute__((target("avx2"))) void blendRunAvx2(Pixel* out0, Pixel* out1, const Pixel* from0,
                                                  const Pixel* from1, const Pixel* to0,
                                                  const Pixel* to1, const std::uint16_t* keys,
                                                  const RippleDissolve::Move* moves, int blocks) {
    const __m256i bias = _mm256_set1_epi8(static_cast<char>(0x80));
    auto pair = [](const Pixel* a, const Pixel* b) {
        return _mm_castps_si128(
            _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(a))),
                         reinterpret_cast<const __m64*>(b)));
    };
    int i = 0;
    for (; i + 1 < blocks; i += 2) {
        const RippleDissolve::Move& first = moves[keys[i]];
        const RippleDissolve::Move& second = moves[keys[i + 1]];
        const std::ptrdiff_t a = 2 * static_cast<std::ptrdiff_t>(i) + first.delta;
        const std::ptrdiff_t b = 2 * static_cast<std::ptrdiff_t>(i) + 2 + second.delta;
        __m256i f = _mm256_inserti128_si256(_mm256_castsi128_si256(pair(from0 + a, from0 + b)),
                                            pair(from1 + a, from1 + b), 1);
        __m256i g = _mm256_inserti128_si256(_mm256_castsi128_si256(pair(to0 + a, to0 + b)),
                                            pair(to1 + a, to1 + b), 1);
        f = _mm256_xor_si256(f, bias);
        g = _mm256_xor_si256(g, bias);
        const __m256i low = _mm256_maddubs_epi16(_mm256_set1_epi32(static_cast<int>(first.weights)),
                                                 _mm256_unpacklo_epi8(f, g));
        const __m256i high = _mm256_maddubs_epi16(
            _mm256_set1_epi32(static_cast<int>(second.weights)), _mm256_unpackhi_epi8(f, g));
        const __m256i r = _mm256_xor_si256(
            _mm256_packs_epi16(_mm256_srai_epi16(low, 7), _mm256_srai_epi16(high, 7)), bias);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out0 + 2 * i), _mm256_castsi256_si128(r));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out1 + 2 * i), _mm256_extracti128_si256(r, 1));
    }
    if (i < blocks) {
        const RippleDissolve::Move& last = moves[keys[i]];
        Avx2Blend{}.one(out0 + 2 * i, out1 + 2 * i, from0 + 2 * i, from1 + 2 * i, to0 + 2 * i,
                        to1 + 2 * i, last.delta, last.weights);
    }
}

// Blocks of row y starting at columns [first, last) whose sources may need
// reflecting; `keys` are the row's.
__attribute__((target("avx2"))) void blendEdgeBlocksAvx2(const PictureFrameBlock& block, int y,
                                                         int first, int last,
                                                         const std::uint16_t* keys,
                                                         const RippleDissolve::Move* moves,
                                                         const RippleDissolve::Shift* shifts) {
    const int w = block.width;
    const int h = block.height;
    Pixel* out0 = rowOf(block.out, w, y);
    Pixel* out1 = out0 + w;
    const Avx2Blend blend;
    for (int x = first; x < last; x += 2) {
        const unsigned key = keys[x / 2];
        int sx = x + shifts[key].dx;
        int sy = y + shifts[key].dy;
        // Below 0 or at W - 1 and beyond, in one unsigned test.
        if (static_cast<unsigned>(sx) >= static_cast<unsigned>(w - 1)) {
            sx = RippleDissolve::reflect(sx, w);
        }
        if (static_cast<unsigned>(sy) >= static_cast<unsigned>(h - 1)) {
            sy = RippleDissolve::reflect(sy, h);
        }
        blend.one(out0 + x, out1 + x, block.from, block.from + w, block.to, block.to + w,
                  static_cast<std::ptrdiff_t>(sy) * w + sx, moves[key].weights);
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
        directions_.reserve(32 * 32);
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
            direction = static_cast<int>(directions_.size());
            directions_.push_back({wave.across, wave.along});
        }
    }
    const std::size_t moveCount = (static_cast<std::size_t>(wavelength) + 1) * directions_.size();
    if (moveCount <= std::size_t{1} << 16) {
        try {
            keys_.resize(blocks_.size());
            moves_.resize(moveCount);
            shifts_.resize(moveCount);
        } catch (const std::bad_alloc&) {
            keys_ = {};
            moves_ = {};
            shifts_ = {};
        }
        for (std::size_t b = 0; b < keys_.size(); ++b) {
            const BlockWave& wave = blocks_[b];
            keys_[b] = static_cast<std::uint16_t>(
                wave.phase * directions_.size() +
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
    directions_ = {};
    keys_ = {};
    moves_ = {};
    shifts_ = {};
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
    // Blocks read within 30 columns of their own too: drawn in stripes this
    // wide, the rows a stripe reads (some 60 rows of both pictures, 190
    // pixels wide) stay in the second-level cache, which whole rows of a
    // large frame do not.
    constexpr int STRIPE = 128;
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
    const bool wide = WIDE_KERNEL && path_ == PixelPath::Fast && !keys_.empty() && hasAvx2();
#if defined(__x86_64__)
    if (wide) {
        // This frame's move of every key.
        const std::size_t directions = directions_.size();
        Move* move = moves_.data() + directions;
        Shift* shiftOf = shifts_.data() + directions;
        for (int phase = 1; phase <= wavelength; ++phase) {
            const int push = byPhase[phase].push;
            const auto v = static_cast<std::uint32_t>(byPhase[phase].weight);
            const std::uint32_t weights = (v | (128 - v) << 8) * 0x10001u;
            for (const Direction& direction : directions_) {
                const int dx = (push * direction.across) >> 13;
                const int dy = (push * direction.along) >> 13;
                *move++ = {dy * w + dx, weights};
                *shiftOf++ = {static_cast<std::int16_t>(dx), static_cast<std::int16_t>(dy)};
            }
        }
        // The ripple moves a block by at most `margin` - 1 pixels one way
        // and `margin` the other (a full swell: 30 and 31); blocks that far
        // from every edge never reflect and take the two-block kernel.
        const int margin =
            static_cast<int>(std::int64_t{127} * std::abs(amplitude) * 31 / 8192) + 1;
        const int innerLeft = (margin + 1) & ~1;  // the first even column at `margin` or beyond
        const int innerRight = w - 1 - margin;    // inner blocks start before it
        const int innerBottom = (margin + 1) & ~1;
        const int innerTop = h - 1 - margin;
        drawStripes([&](int y, int left, int right) {
            const std::uint16_t* keys =
                keys_.data() + static_cast<std::size_t>(y / 2) * blocksPerRow;
            const int runFirst = std::clamp(innerLeft, left, right);
            const int runEnd = std::min(innerRight, right);
            if (y < innerBottom || y >= innerTop || runFirst >= runEnd) {
                blendEdgeBlocksAvx2(block, y, left, right, keys, moves_.data(), shifts_.data());
                return;
            }
            const int runBlocks = (runEnd - runFirst + 1) / 2;
            const std::size_t first = static_cast<std::size_t>(y) * w + runFirst;
            blendEdgeBlocksAvx2(block, y, left, runFirst, keys, moves_.data(), shifts_.data());
            blendRunAvx2(block.out + first, block.out + first + w, block.from + first,
                         block.from + first + w, block.to + first, block.to + first + w,
                         keys + runFirst / 2, moves_.data(), runBlocks);
            blendEdgeBlocksAvx2(block, y, runFirst + 2 * runBlocks, right, keys, moves_.data(),
                                shifts_.data());
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
