#include "effects/FadeThroughImage.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/PictureRows.h"
#include "effects/PixelBlend.h"
#include "effects/RandomGenerator.h"

namespace effects {

namespace {

// The value of pi the sunburst's rays have always been drawn with.
constexpr double RAY_PI = 3.1415927;

Pixel sunburstPixel(int column, int row, int width, int height, int radius,
                    const std::array<std::uint8_t, FadeThroughImage::RAY_COUNT>& rays) {
    const int dx = column - width / 2;
    const int dy = row - height / 2;
    const double squared = static_cast<double>(dx) * dx + static_cast<double>(dy) * dy;
    const int r = static_cast<int>(std::sqrt(squared));
    // Negative outside the disc.
    const int m = static_cast<int>(std::int64_t{radius - r} * 255 / radius);
    const int q = static_cast<int>(std::int64_t{r} * 100 / radius);
    int red = m + 172;
    int green = m + 152;
    int blue = m + 152;
    if (q >= 70 && q < 75) {
        blue += q - 15;
    } else if (q >= 90 && q < 92) {
        red += 5;
        green += 5;
        blue += 5;
    }
    const double a =
        std::fabs(std::atan2(static_cast<double>(dx), static_cast<double>(dy)) * 29 / RAY_PI);
    if ((a - std::floor(a)) * RAY_PI * r * 0.034482758620689655 <= 2.0) {
        const int ray =
            rays[static_cast<std::size_t>(static_cast<int>(a) % FadeThroughImage::RAY_COUNT)];
        red += ray;
        green += ray;
        blue += ray;
    }
    return static_cast<Pixel>(std::clamp(blue, 0, 255)) |
           static_cast<Pixel>(std::clamp(green, 0, 255)) << 8 |
           static_cast<Pixel>(std::clamp(red, 0, 255)) << 16;
}

}  // namespace

int FadeThroughImage::begin(const PictureFrameBlock& block) {
    end(block);
    for (std::uint8_t& ray : rays_) {
        ray = static_cast<std::uint8_t>(random_.next() % 12);
    }
    if (!hasPictures(block)) {
        return 0;
    }
    try {
        image_.resize(pixelCount(block));
    } catch (const std::bad_alloc&) {
        image_ = {};
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    // A picture one pixel wide or high has a radius of 0; 1 keeps the
    // divisions defined.
    const int radius = std::max(std::min(h / 2, w / 2), 1);
    for (int row = 0; row < h; ++row) {
        Pixel* out = rowOf(image_.data(), w, row);
        for (int column = 0; column < w; ++column) {
            out[column] = sunburstPixel(column, row, w, h, radius, rays_);
        }
    }
    width_ = w;
    height_ = h;
    return 0;
}

int FadeThroughImage::frame(const PictureFrameBlock& block) {
    if (image_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const std::int64_t elapsed = block.elapsed;
    const std::int64_t duration = block.duration;
    const bool outgoing = elapsed < duration / 2;
    const std::int64_t span = outgoing ? elapsed : duration - elapsed;
    const int d = static_cast<int>(std::min<std::int64_t>(span * 381 / duration, 127));
    blendBytes7(reinterpret_cast<std::uint8_t*>(block.out),
                reinterpret_cast<const std::uint8_t*>(image_.data()),
                reinterpret_cast<const std::uint8_t*>(outgoing ? block.from : block.to), 127 - d,
                pixelCount(block) * sizeof(Pixel));
    return 0;
}

int FadeThroughImage::end(const PictureFrameBlock&) {
    image_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
