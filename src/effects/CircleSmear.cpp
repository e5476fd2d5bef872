#include "effects/CircleSmear.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/ProcessorFeatures.h"
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr std::int32_t RECIPROCAL_ONE = 524288;  // 2^19

int halfDiagonal(int width, int height) {
    const double halfW = width / 2;
    const double halfH = height / 2;
    return static_cast<int>(std::sqrt(halfH * halfH + halfW * halfW));
}

// Each byte t + (((64 - m) * (f - t)) >> 6): 64 - m of 64 of the way from
// the rim colour back to the outgoing picture. The result lies between t
// and f, so it needs no clamping.
Pixel smear(Pixel from, Pixel rim, int m) {
    Pixel result = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int f = static_cast<int>((from >> shift) & 0xFF);
        const int t = static_cast<int>((rim >> shift) & 0xFF);
        result |= static_cast<Pixel>(t + (((64 - m) * (f - t)) >> 6)) << shift;
    }
    return result;
}

// One row of the frame; `m` is 64 (the rim colour alone) in most frames.
template <bool RIM_ONLY>
void smearRow(const PictureFrameBlock& block, int row, const std::int32_t* distances,
              const std::int32_t* reciprocal, std::int64_t b, int m) {
    const int w = block.width;
    const std::int64_t i = row - block.height / 2;
    const std::int64_t centre = std::int64_t{block.height / 2} * w + w / 2;
    Pixel* out = rowOf(block.out, w, row);
    const Pixel* from = rowOf(block.from, w, row);
    const Pixel* to = rowOf(block.to, w, row);
    for (int column = 0; column < w; ++column) {
        const std::int32_t d = distances[column];
        if (d <= b) {
            out[column] = to[column];
            continue;
        }
        // Where the pixel's ray from the centre crosses the circle.
        const std::int64_t scale = b * reciprocal[d];
        const std::int64_t k = column - w / 2;
        const Pixel rim = block.to[centre + ((scale * i) >> 19) * w + ((scale * k) >> 19)];
        out[column] = RIM_ONLY ? rim : smear(from[column], rim, m);
    }
}

constexpr int DISTANCE_BITS = 11;
constexpr std::uint32_t DISTANCE_MASK = (1u << DISTANCE_BITS) - 1;

// Eight pixels at a time; the rim pixels come from one masked gather of
// `to` whose masked-off lanes read `to` in place, and the smear blends
// bytes in 16-bit lanes: (64 - m) * (f - t) stays within +-16320.
struct SmearRow {
    const Pixel* from;
    const Pixel* to;  // whole picture
    Pixel* out;
    const std::uint32_t* packed;
    int w, row;
    std::int32_t centre, i, b, m;
};

template <bool RIM_ONLY>
void smearPixelsScalar(const SmearRow& r, int first, int last) {
    const Pixel* from = rowOf(r.from, r.w, r.row);
    const Pixel* to = rowOf(r.to, r.w, r.row);
    Pixel* out = rowOf(r.out, r.w, r.row);
    for (int column = first; column < last; ++column) {
        const std::int32_t d = static_cast<std::int32_t>(r.packed[column] & DISTANCE_MASK);
        if (d <= r.b) {
            out[column] = to[column];
            continue;
        }
        const std::int32_t scale =
            r.b * static_cast<std::int32_t>(r.packed[column] >> DISTANCE_BITS);
        const std::int32_t k = column - r.w / 2;
        const Pixel rim = r.to[r.centre + ((scale * r.i) >> 19) * r.w + ((scale * k) >> 19)];
        out[column] = RIM_ONLY ? rim : smear(from[column], rim, r.m);
    }
}

#if defined(__x86_64__)
template <bool RIM_ONLY>
__attribute__((target("avx2"))) void smearRowAvx2(const SmearRow& r) {
    const Pixel* from = rowOf(r.from, r.w, r.row);
    const Pixel* toRow = rowOf(r.to, r.w, r.row);
    Pixel* out = rowOf(r.out, r.w, r.row);
    const std::uint32_t* packed = r.packed;
    const int w = r.w;
    const __m256i distanceMask = _mm256_set1_epi32(static_cast<int>(DISTANCE_MASK));
    const __m256i b = _mm256_set1_epi32(r.b);
    const __m256i i = _mm256_set1_epi32(r.i);
    const __m256i width = _mm256_set1_epi32(w);
    const __m256i centre = _mm256_set1_epi32(r.centre);
    const __m256i lanes = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256i weight = _mm256_set1_epi16(static_cast<std::int16_t>(64 - r.m));
    const __m256i zero = _mm256_setzero_si256();
    int column = 0;
    for (; column + 8 <= w; column += 8) {
        const __m256i word = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(packed + column));
        const __m256i d = _mm256_and_si256(word, distanceMask);
        const __m256i outside = _mm256_cmpgt_epi32(d, b);
        const __m256i behind = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(toRow + column));
        if (_mm256_testz_si256(outside, outside)) {
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + column), behind);
            continue;
        }
        const __m256i scale = _mm256_mullo_epi32(b, _mm256_srli_epi32(word, DISTANCE_BITS));
        const __m256i k = _mm256_add_epi32(_mm256_set1_epi32(column - w / 2), lanes);
        const __m256i rimRow = _mm256_srai_epi32(_mm256_mullo_epi32(scale, i), 19);
        const __m256i rimColumn = _mm256_srai_epi32(_mm256_mullo_epi32(scale, k), 19);
        const __m256i index = _mm256_add_epi32(
            centre, _mm256_add_epi32(_mm256_mullo_epi32(rimRow, width), rimColumn));
        __m256i result = _mm256_mask_i32gather_epi32(behind, reinterpret_cast<const int*>(r.to),
                                                     index, outside, 4);
        if (!RIM_ONLY) {
            const __m256i f = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + column));
            const __m256i fLow = _mm256_unpacklo_epi8(f, zero);
            const __m256i fHigh = _mm256_unpackhi_epi8(f, zero);
            const __m256i tLow = _mm256_unpacklo_epi8(result, zero);
            const __m256i tHigh = _mm256_unpackhi_epi8(result, zero);
            const __m256i low = _mm256_add_epi16(
                tLow,
                _mm256_srai_epi16(_mm256_mullo_epi16(weight, _mm256_sub_epi16(fLow, tLow)), 6));
            const __m256i high = _mm256_add_epi16(
                tHigh,
                _mm256_srai_epi16(_mm256_mullo_epi16(weight, _mm256_sub_epi16(fHigh, tHigh)), 6));
            result = _mm256_blendv_epi8(behind, _mm256_packus_epi16(low, high), outside);
        }
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + column), result);
    }
    smearPixelsScalar<RIM_ONLY>(r, column, w);
}
#endif

}  // namespace

int CircleSmear::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const int radius = halfDiagonal(w, h);
    const bool packed = path_ == PixelPath::Fast && radius <= static_cast<int>(DISTANCE_MASK);
    try {
        if (packed) {
            packed_.resize(pixelCount(block));
        } else {
            distance_.resize(pixelCount(block));
        }
        reciprocal_.resize(static_cast<std::size_t>(radius) + 1);
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    reciprocal_[0] = RECIPROCAL_ONE;
    for (std::size_t d = 1; d < reciprocal_.size(); ++d) {
        reciprocal_[d] = RECIPROCAL_ONE / static_cast<std::int32_t>(d);
    }
    for (int row = 0; row < h; ++row) {
        const double i = row - h / 2;
        const std::size_t start = static_cast<std::size_t>(row) * w;
        for (int column = 0; column < w; ++column) {
            const double k = column - w / 2;
            const auto d = static_cast<std::int32_t>(std::sqrt(k * k + i * i));
            if (packed) {
                packed_[start + column] =
                    static_cast<std::uint32_t>(reciprocal_[static_cast<std::size_t>(d)])
                        << DISTANCE_BITS |
                    static_cast<std::uint32_t>(d);
            } else {
                distance_[start + column] = d;
            }
        }
    }
    width_ = w;
    height_ = h;
    return 0;
}

int CircleSmear::frame(const PictureFrameBlock& block) {
    if ((distance_.empty() && packed_.empty()) || block.width != width_ ||
        block.height != height_) {
        return 0;
    }
    const int radius = halfDiagonal(block.width, block.height);
    const std::int64_t b = std::int64_t{radius} * block.elapsed / block.duration;
    const int m = static_cast<int>(std::min<std::int64_t>(b * 256 / std::max(radius, 1), 64));
    if (packed_.empty()) {
        framePlain(block, b, m);
    } else {
        frameFast(block, static_cast<std::int32_t>(b), m);
    }
    return 0;
}

void CircleSmear::framePlain(const PictureFrameBlock& block, std::int64_t b, int m) const {
    const int w = block.width;
    for (int row = 0; row < block.height; ++row) {
        const std::int32_t* distances = distance_.data() + static_cast<std::size_t>(row) * w;
        if (m == 64) {
            smearRow<true>(block, row, distances, reciprocal_.data(), b, m);
        } else {
            smearRow<false>(block, row, distances, reciprocal_.data(), b, m);
        }
    }
}

void CircleSmear::frameFast(const PictureFrameBlock& block, std::int32_t b, int m) const {
    const int w = block.width;
    const int h = block.height;
#if defined(__x86_64__)
    const bool avx2 = hasAvx2();
#endif
    for (int row = 0; row < h; ++row) {
        const SmearRow r{block.from,
                         block.to,
                         block.out,
                         packed_.data() + static_cast<std::size_t>(row) * w,
                         w,
                         row,
                         (h / 2) * w + w / 2,
                         row - h / 2,
                         b,
                         m};
#if defined(__x86_64__)
        if (avx2) {
            if (m == 64) {
                smearRowAvx2<true>(r);
            } else {
                smearRowAvx2<false>(r);
            }
            continue;
        }
#endif
        if (m == 64) {
            smearPixelsScalar<true>(r, 0, w);
        } else {
            smearPixelsScalar<false>(r, 0, w);
        }
    }
}

int CircleSmear::end(const PictureFrameBlock&) {
    distance_ = {};
    packed_ = {};
    reciprocal_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
