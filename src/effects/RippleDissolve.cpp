#include "effects/RippleDissolve.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <new>

#include "effects/PictureRows.h"

#if defined(__SSE2__)
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
    const int blocksPerRow = w / 2;
    auto drawBlocks = [&](auto blend) {
        for (int left = 0; left + 1 < w; left += STRIPE) {
            const int right = std::min(left + STRIPE, w - 1);  // blocks start before `right`
            const int fetchFirst = std::max(left - 32, 0) & ~(LINE_PIXELS - 1);
            const int fetchEnd = std::min(right + 33, w);
            for (int y = 0; y + 1 < h; y += 2) {
                Pixel* out0 = rowOf(block.out, w, y);
                Pixel* out1 = rowOf(block.out, w, y + 1);
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
                const BlockWave* wave =
                    blocks_.data() + static_cast<std::size_t>(y / 2) * blocksPerRow + left / 2;
                for (int x = left; x < right; x += 2, ++wave) {
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
            }
        }
    };
#if defined(__SSE2__)
    if (path_ == PixelPath::Fast) {
        drawBlocks(blendBlockFast);
    } else {
        drawBlocks(blendBlockPlain);
    }
#else
    drawBlocks(blendBlockPlain);
#endif
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
