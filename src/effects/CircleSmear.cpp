#include "effects/CircleSmear.h"

#include <algorithm>
#include <cmath>
#include <new>

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

}  // namespace

int CircleSmear::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    try {
        distance_.resize(pixelCount(block));
        reciprocal_.resize(static_cast<std::size_t>(halfDiagonal(w, h)) + 1);
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    for (int row = 0; row < h; ++row) {
        const double i = row - h / 2;
        std::int32_t* distances = distance_.data() + static_cast<std::size_t>(row) * w;
        for (int column = 0; column < w; ++column) {
            const double k = column - w / 2;
            distances[column] = static_cast<std::int32_t>(std::sqrt(k * k + i * i));
        }
    }
    reciprocal_[0] = RECIPROCAL_ONE;
    for (std::size_t d = 1; d < reciprocal_.size(); ++d) {
        reciprocal_[d] = RECIPROCAL_ONE / static_cast<std::int32_t>(d);
    }
    width_ = w;
    height_ = h;
    return 0;
}

int CircleSmear::frame(const PictureFrameBlock& block) {
    if (distance_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const int radius = halfDiagonal(w, h);
    const std::int64_t b = std::int64_t{radius} * block.elapsed / block.duration;
    const int m = static_cast<int>(std::min<std::int64_t>(b * 256 / std::max(radius, 1), 64));
    for (int row = 0; row < h; ++row) {
        const std::int32_t* distances = distance_.data() + static_cast<std::size_t>(row) * w;
        if (m == 64) {
            smearRow<true>(block, row, distances, reciprocal_.data(), b, m);
        } else {
            smearRow<false>(block, row, distances, reciprocal_.data(), b, m);
        }
    }
    return 0;
}

int CircleSmear::end(const PictureFrameBlock&) {
    distance_ = {};
    reciprocal_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
