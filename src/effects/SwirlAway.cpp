#include "effects/SwirlAway.h"

#include <cmath>
#include <new>

#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr double SQRT_8 = 2.8284271247461900975;

}  // namespace

int SwirlAway::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    try {
        dx_.resize(pixelCount(block));
        dy_.resize(pixelCount(block));
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    const double f = static_cast<double>((std::int64_t{w} * w + std::int64_t{h} * h) / 4) * 8;
    const double g = std::sqrt(f);
    std::size_t n = 0;
    for (int i = 0; i < h; ++i) {
        const double b = i - h / 2;
        for (int j = 0; j < w; ++j, ++n) {
            const double c = j - w / 2;
            double d = b * b + c * c;
            if (d == 0) {
                d = 1;
            }
            const double fall = 1 - d / f;
            const double length = std::sqrt(d);
            dx_[n] = static_cast<std::int32_t>(g * c * fall * 4096 / length / SQRT_8);
            dy_[n] = static_cast<std::int32_t>(g * b * fall * 4096 / length / SQRT_8);
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
    const int w = block.width;
    const int h = block.height;
    const double x = fractionProgress(block);
    const std::int64_t q = static_cast<std::int64_t>(x * x * 1023);
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
    return 0;
}

int SwirlAway::end(const PictureFrameBlock&) {
    dx_ = {};
    dy_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
