#include "effects/CircleReveal.h"

#include <algorithm>
#include <cmath>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "effects/ColourBytes.h"
#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr double PI = 3.141592653589793;

// Truncated square root of a sum of squares. The floating root of an
// integer this small is exact where it matters: it never rounds up to the
// next integer.
int rootOf(std::int64_t squared) {
    return static_cast<int>(std::sqrt(static_cast<double>(squared)));
}

// a + (((b - a) * w) >> 8) on the colour bytes, keeping out's fourth byte.
inline void blendInto(Pixel& out, Pixel a, Pixel b, int w) {
    Pixel result = out & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int x = static_cast<int>((a >> shift) & 0xFF);
        const int y = static_cast<int>((b >> shift) & 0xFF);
        result |= static_cast<Pixel>((x + (((y - x) * w) >> 8)) & 0xFF) << shift;
    }
    out = result;
}

void blendRunPlain(Pixel* out, const Pixel* a, const Pixel* b, const std::uint16_t* weights,
                   int count) {
    for (int c = 0; c < count; ++c) {
        blendInto(out[c], a[c], b[c], weights[c]);
    }
}

#if defined(__SSE2__)
// Four pixels at a time. a + (((b - a) * w) >> 8) equals
// (a * (256 - w) + b * w) >> 8, whose terms are unsigned and below 65536,
// so 16-bit lanes hold it exactly.
void blendRunFast(Pixel* out, const Pixel* a, const Pixel* b, const std::uint16_t* weights,
                  int count) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i full = _mm_set1_epi16(256);
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(~COLOUR_BYTES));
    int c = 0;
    for (; c + 4 <= count; c += 4) {
        const __m128i w4 = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(weights + c));
        const __m128i w2 = _mm_unpacklo_epi16(w4, w4);
        const __m128i wl = _mm_unpacklo_epi32(w2, w2);  // pixels 0 and 1, four lanes each
        const __m128i wh = _mm_unpackhi_epi32(w2, w2);
        const __m128i pa = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + c));
        const __m128i pb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + c));
        const __m128i lo = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(pa, zero), _mm_sub_epi16(full, wl)),
                          _mm_mullo_epi16(_mm_unpacklo_epi8(pb, zero), wl)),
            8);
        const __m128i hi = _mm_srli_epi16(
            _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(pa, zero), _mm_sub_epi16(full, wh)),
                          _mm_mullo_epi16(_mm_unpackhi_epi8(pb, zero), wh)),
            8);
        __m128i* target = reinterpret_cast<__m128i*>(out + c);
        const __m128i kept = _mm_and_si128(_mm_loadu_si128(target), fourth);
        _mm_storeu_si128(target,
                         _mm_or_si128(kept, _mm_andnot_si128(fourth, _mm_packus_epi16(lo, hi))));
    }
    blendRunPlain(out + c, a + c, b + c, weights + c, count - c);
}
#endif

}  // namespace

void CircleReveal::blendRun(const PictureFrameBlock& block, int r, int first, int last,
                            const Pixel* a, const Pixel* b) const {
    if (last < first) {
        return;
    }
    const std::size_t row = static_cast<std::size_t>(r) * static_cast<std::size_t>(block.width);
    const std::size_t at = row + static_cast<std::size_t>(first);
    const std::uint16_t* weights = columnWeights_.data() + first;
#if defined(__SSE2__)
    if (path_ == PixelPath::Fast) {
        blendRunFast(block.out + at, a + at, b + at, weights, last - first + 1);
        return;
    }
#endif
    blendRunPlain(block.out + at, a + at, b + at, weights, last - first + 1);
}

int CircleReveal::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const int cx = block.width / 2;
    const int cy = block.height / 2;
    const int radius = rootOf(std::int64_t{cy} * cy + std::int64_t{cx} * cx);
    const int rim = radius / 5;
    try {
        weights_.resize(static_cast<std::size_t>(rim) + 1);
        columnWeights_.resize(static_cast<std::size_t>(block.width) + 1);
    } catch (const std::bad_alloc&) {
        weights_ = {};
        columnWeights_ = {};
        return 0;
    }
    for (int i = 0; i <= rim; ++i) {
        weights_[static_cast<std::size_t>(i)] =
            static_cast<std::uint8_t>((std::cos(i * PI / (rim + 1) + PI) + 1) * 127.5);
    }
    width_ = block.width;
    height_ = block.height;
    radius_ = radius;
    return 0;
}

int CircleReveal::end(const PictureFrameBlock&) {
    weights_ = {};
    columnWeights_ = {};
    width_ = 0;
    height_ = 0;
    radius_ = 0;
    return 0;
}

int CircleReveal::frame(const PictureFrameBlock& block) {
    if (weights_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const int rim = static_cast<int>(weights_.size()) - 1;
    const int n = static_cast<int>(std::int64_t{block.elapsed} * (radius_ + rim) / block.duration);
    if (n == 0) {
        copyPicture(block, block.from);
        return 0;
    }
    if (n == radius_ + rim) {
        copyPicture(block, block.to);
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const int cy = h / 2;
    // Rows the circle does not reach. Where the circle is as high as the
    // frame row 0 is one of them, which the small circle would leave
    // unwritten on a frame much wider than high.
    if (n <= cy) {
        copyPixels(block.out, block.from, static_cast<std::ptrdiff_t>(cy - n + 1) * w);
    }
    if (cy + n < h) {
        copyPixels(rowOf(block.out, w, cy + n), rowOf(block.from, w, cy + n),
                   static_cast<std::ptrdiff_t>(h - (cy + n)) * w);
    }
    if (n <= rim) {
        drawSmallCircle(block, n);
    } else {
        drawLargeCircle(block, n);
    }
    return 0;
}

// The whole circle is rim: `from` blended toward `to`, most in the centre.
void CircleReveal::drawSmallCircle(const PictureFrameBlock& block, int n) {
    const int w = block.width;
    const int h = block.height;
    const int cx = w / 2;
    const int cy = h / 2;
    for (int i = 0; i < n; ++i) {
        const int chord = rootOf(std::int64_t{n} * n - std::int64_t{i} * i);
        for (const int r : {cy - i, cy + i}) {
            if (r < 0 || r >= h) {
                continue;
            }
            Pixel* out = rowOf(block.out, w, r);
            const Pixel* from = rowOf(block.from, w, r);
            const int left = std::clamp(cx - chord, 0, w);
            const int right = std::clamp(cx + chord, 0, w);
            copyPixels(out, from, left);
            copyPixels(out + right, from + right, w - right);
        }
        // The weight of each column of the chord, then the chord of both
        // rows as runs. Columns outside a frame far wider than high are
        // skipped.
        int distance = i;
        for (int j = 0; j <= chord; ++j) {
            const std::int64_t squared = std::int64_t{i} * i + std::int64_t{j} * j;
            while (std::int64_t{distance + 1} * (distance + 1) <= squared) {
                ++distance;
            }
            const std::uint16_t weight = weights_[static_cast<std::size_t>(n - distance)];
            if (cx - j >= 0) {
                columnWeights_[static_cast<std::size_t>(cx - j)] = weight;
            }
            if (cx + j < w) {
                columnWeights_[static_cast<std::size_t>(cx + j)] = weight;
            }
        }
        for (const int r : {cy - i, cy + i}) {
            if (r >= 0 && r < h) {
                blendRun(block, r, std::max(cx - chord, 0), std::min(cx + chord, w - 1), block.from,
                         block.to);
            }
        }
    }
}

// A solid centre of `to`, `from` outside, and between them a rim of `to`
// blended toward `from`, most at the outer edge.
void CircleReveal::drawLargeCircle(const PictureFrameBlock& block, int n) {
    const int w = block.width;
    const int h = block.height;
    const int cx = w / 2;
    const int cy = h / 2;
    const int rim = static_cast<int>(weights_.size()) - 1;
    const int e = n - rim;  // inner radius
    const std::int64_t ee = std::int64_t{e} * e;
    const std::int64_t nn = std::int64_t{n} * n;
    // Row cy + i exists only below h; row cy - i always (i <= cy).
    auto rows = [&](int i, auto&& draw) {
        draw(cy - i);
        if (cy + i < h) {
            draw(cy + i);
        }
    };
    for (int i = 0; i <= std::min(cy, e); ++i) {
        const int g = std::min(rootOf(ee - std::int64_t{i} * i), cx);
        rows(i, [&](int r) {
            copyPixels(rowOf(block.out, w, r) + (cx - g), rowOf(block.to, w, r) + (cx - g), 2 * g);
        });
    }
    const int outer = std::min(cy, n);
    for (int i = 0; i <= outer; ++i) {
        const int g = std::min(rootOf(nn - std::int64_t{i} * i), cx);
        rows(i, [&](int r) {
            Pixel* out = rowOf(block.out, w, r);
            const Pixel* from = rowOf(block.from, w, r);
            copyPixels(out, from, cx - g);
            copyPixels(out + (cx + g), from + (cx + g), w - (cx + g));
        });
    }
    for (int i = 0; i <= outer; ++i) {
        const std::int64_t ii = std::int64_t{i} * i;
        const int first = e < i ? 0 : rootOf(ee - ii);
        const int last = std::min(rootOf(nn - ii), cx);  // beyond cx nothing is drawn
        int distance = rootOf(ii + std::int64_t{first} * first);
        for (int j = first; j <= last; ++j) {
            const std::int64_t squared = ii + std::int64_t{j} * j;
            while (std::int64_t{distance + 1} * (distance + 1) <= squared) {
                ++distance;
            }
            const int delta = distance - e;
            const int k = delta == rim ? rim : delta + 1;
            const std::uint16_t weight = weights_[static_cast<std::size_t>(k)];
            columnWeights_[static_cast<std::size_t>(cx - j)] = weight;
            columnWeights_[static_cast<std::size_t>(cx + j)] = weight;
        }
        // Both halves of the rim of both rows, as runs; the right half stops
        // at the frame's edge.
        rows(i, [&](int r) {
            blendRun(block, r, cx - last, cx - first, block.to, block.from);
            blendRun(block, r, cx + first, std::min(cx + last, w - 1), block.to, block.from);
        });
    }
}

}  // namespace effects
