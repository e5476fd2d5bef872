#include "effects/NoiseBurn.h"

#include <algorithm>
#include <new>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "effects/PictureRows.h"
#include "effects/ProcessorFeatures.h"
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

using Ramp = std::array<Pixel, NoiseBurn::RAMP_LEVELS>;

void burnScalar(Pixel* out, const Pixel* from, const Pixel* to, const std::uint16_t* raised,
                std::size_t first, std::size_t count, std::int32_t edge, const Ramp& levels) {
    const std::int32_t burnt = edge - NoiseBurn::RAMP_LEVELS;
    for (std::size_t i = first; i < count; ++i) {
        const std::int32_t height = raised[i];
        const std::int32_t level = std::clamp(height - burnt, 0, NoiseBurn::RAMP_LEVELS - 1);
        const Pixel glow = levels[static_cast<std::size_t>(level)];
        const Pixel kept = height >= edge ? from[i] : glow;
        out[i] = height < burnt ? to[i] : kept;
    }
}

#if defined(__x86_64__)
// Eight pixels at a time; the band's colour comes from four in-register
// lookups of eight ramp entries each, picked by bits 3 and 4 of the level.
__attribute__((target("avx2"))) void burnAvx2(Pixel* out, const Pixel* from, const Pixel* to,
                                              const std::uint16_t* raised, std::size_t count,
                                              std::int32_t edge, const Ramp& levels) {
    Pixel padded[32] = {};
    std::copy(levels.begin(), levels.end(), padded);
    const auto part = [&padded](int n) __attribute__((target("avx2"))) {
        return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(padded + 8 * n));
    };
    const __m256i ramp0 = part(0), ramp1 = part(1), ramp2 = part(2), ramp3 = part(3);
    const __m256i edgeLanes = _mm256_set1_epi32(edge);
    const __m256i burntLanes = _mm256_set1_epi32(edge - NoiseBurn::RAMP_LEVELS);
    std::size_t i = 0;
    for (; i + 8 <= count; i += 8) {
        const __m256i height =
            _mm256_cvtepu16_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(raised + i)));
        const __m256i level = _mm256_sub_epi32(height, burntLanes);
        const __m256 bit3 = _mm256_castsi256_ps(_mm256_slli_epi32(level, 28));
        const __m256 bit4 = _mm256_castsi256_ps(_mm256_slli_epi32(level, 27));
        const __m256 low =
            _mm256_blendv_ps(_mm256_castsi256_ps(_mm256_permutevar8x32_epi32(ramp0, level)),
                             _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(ramp1, level)), bit3);
        const __m256 high =
            _mm256_blendv_ps(_mm256_castsi256_ps(_mm256_permutevar8x32_epi32(ramp2, level)),
                             _mm256_castsi256_ps(_mm256_permutevar8x32_epi32(ramp3, level)), bit3);
        const __m256i glow = _mm256_castps_si256(_mm256_blendv_ps(low, high, bit4));
        const __m256i unburnt = _mm256_cmpgt_epi32(edgeLanes, height);        // height < edge
        const __m256i burntThrough = _mm256_cmpgt_epi32(burntLanes, height);  // height < burnt
        const __m256i kept = _mm256_blendv_epi8(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + i)), glow, unburnt);
        const __m256i result = _mm256_blendv_epi8(
            kept, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(to + i)), burntThrough);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), result);
    }
    burnScalar(out, from, to, raised, i, count, edge, levels);
}
#endif

void burnFast(Pixel* out, const Pixel* from, const Pixel* to, const std::uint16_t* raised,
              std::size_t count, std::int32_t edge, const Ramp& levels) {
#if defined(__x86_64__)
    if (hasAvx2()) {
        burnAvx2(out, from, to, raised, count, edge, levels);
        return;
    }
#endif
    burnScalar(out, from, to, raised, 0, count, edge, levels);
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
    if (path_ == PixelPath::Fast && std::int64_t{highest_} - lowest_ <= 0xFFFF) {
        try {
            raised_.resize(heights_.size());
        } catch (const std::bad_alloc&) {
            end(block);
            return 0;
        }
        for (std::size_t i = 0; i < heights_.size(); ++i) {
            raised_[i] = static_cast<std::uint16_t>(heights_[i] - lowest_);
        }
    }
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
    const std::array<Pixel, RAMP_LEVELS> levels = ramp();
    if (!raised_.empty()) {
        // Heights above the lowest: burnt below k - 30, glowing below k.
        burnFast(block.out, block.from, block.to, raised_.data(), pixelCount(block), k, levels);
        return 0;
    }
    // Heights below `burnt` are burnt through, up to `edge` they glow.
    const std::int32_t edge = lowest_ + k;
    const std::int32_t burnt = edge - RAMP_LEVELS;
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
    raised_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
