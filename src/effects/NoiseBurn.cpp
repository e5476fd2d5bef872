#include "effects/NoiseBurn.h"

#include <algorithm>
#include <new>

#include "effects/PictureRows.h"
#include "effects/RandomGenerator.h"

namespace effects {

namespace {

// Midpoint displacement on a size x size grid (size a power of two) that
// wraps round at its edges. For each step e from size down to 2, every
// e x e square, visited row by row, sets its centre, then the midpoint of
// its top edge, then that of its left edge: each the mean of the points it
// lies between plus rand() % t - t / 2, t = trunc(8 + 0.6 e). With the
// wrap-around every edge midpoint of a step is set exactly once.
std::vector<std::int32_t> displacedGrid(int size, RandomGenerator& random) {
    std::vector<std::int32_t> grid(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    const int mask = size - 1;
    const auto at = [&](int x, int y) -> std::int32_t& {
        return grid[static_cast<std::size_t>(y & mask) * static_cast<std::size_t>(size) +
                    static_cast<std::size_t>(x & mask)];
    };
    for (int e = size; e >= 2; e /= 2) {
        const int half = e / 2;
        const int t = static_cast<int>(8 + 0.6 * e);
        const auto offset = [&] { return random.next() % t - t / 2; };
        for (int y = 0; y < size; y += e) {
            for (int x = 0; x < size; x += e) {
                const std::int32_t corner = at(x, y);
                const std::int32_t right = at(x + e, y);
                const std::int32_t below = at(x, y + e);
                const std::int32_t across = at(x + e, y + e);
                at(x + half, y + half) = (corner + right + below + across) / 4 + offset();
                at(x + half, y) = (corner + right) / 2 + offset();
                at(x, y + half) = (corner + below) / 2 + offset();
            }
        }
    }
    return grid;
}

}  // namespace

std::array<Pixel, NoiseBurn::RAMP_LEVELS> NoiseBurn::ramp() {
    std::array<Pixel, RAMP_LEVELS> levels{};
    for (int i = 0; i < RAMP_LEVELS; ++i) {
        // Green climbs from 105 to 245 and falls back; red full, blue none.
        const int green = i < 15 ? 105 + 10 * i : ((-10 * i - 117) % 256 + 256) % 256;
        levels[static_cast<std::size_t>(i)] = 0xFFFF0000u | static_cast<Pixel>(green) << 8;
    }
    return levels;
}

int NoiseBurn::begin(const PictureFrameBlock& block) {
    end(block);
    random_.seed(clock_.processorTime());
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    int size = 1;
    while (size < std::max(w, h)) {
        size *= 2;
    }
    try {
        const std::vector<std::int32_t> grid = displacedGrid(size, random_);
        heights_.resize(pixelCount(block));
        for (int row = 0; row < h; ++row) {
            std::copy_n(grid.begin() + static_cast<std::ptrdiff_t>(row) * size, w,
                        heights_.begin() + static_cast<std::ptrdiff_t>(row) * w);
        }
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    const auto [lowest, highest] = std::minmax_element(heights_.begin(), heights_.end());
    lowest_ = *lowest;
    highest_ = *highest;
    width_ = w;
    height_ = h;
    return 0;
}

int NoiseBurn::frame(const PictureFrameBlock& block) {
    if (heights_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const double c = fractionProgress(block);
    const std::int32_t k = static_cast<std::int32_t>(c * (highest_ - lowest_ + RAMP_LEVELS));
    // Heights below `burnt` are burnt through, up to `edge` they glow.
    const std::int32_t edge = lowest_ + k;
    const std::int32_t burnt = edge - RAMP_LEVELS;
    const std::array<Pixel, RAMP_LEVELS> levels = ramp();
    const std::int32_t* heights = heights_.data();
    const std::size_t count = pixelCount(block);
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t height = heights[i];
        // Selects rather than branches: the band's edge is data.
        const std::int32_t level = std::clamp(height - burnt, 0, RAMP_LEVELS - 1);
        const Pixel glow = levels[static_cast<std::size_t>(level)];
        const Pixel kept = height >= edge ? block.from[i] : glow;
        block.out[i] = height < burnt ? block.to[i] : kept;
    }
    return 0;
}

int NoiseBurn::end(const PictureFrameBlock&) {
    heights_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
