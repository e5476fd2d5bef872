#include "effects/MeltDown.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/PictureRows.h"
#include "effects/RandomGenerator.h"

namespace effects {

namespace {

constexpr double PI = 3.141592653589793;
// Steps a drop falls for; by the last it has fallen the picture's height.
constexpr int FALL_STEPS = 36;

}  // namespace

int MeltDown::begin(const PictureFrameBlock& block) {
    end(block);
    random_.seed(clock_.processorTime());
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    std::vector<int> jitter(static_cast<std::size_t>(w));
    std::vector<int> profile(static_cast<std::size_t>(w));
    for (int j = 0; j < w; ++j) {
        const std::size_t k = static_cast<std::size_t>(j);
        jitter[k] = random_.next() % w * 6 / w;
        profile[k] =
            85 - static_cast<int>((std::sin(13 * PI * j / w) + std::sin(5 * PI * j / w)) * 3);
    }
    try {
        delay_.resize(static_cast<std::size_t>(h / 2) * static_cast<std::size_t>(w / 2));
        wobble_.resize(pixelCount(block));
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    std::size_t n = 0;
    for (int i = 0; i + 1 < h; i += 2) {
        for (int j = 0; j + 1 < w; j += 2, ++n) {
            const std::size_t k = static_cast<std::size_t>(j);
            delay_[n] = static_cast<std::uint8_t>(std::int64_t{i} * profile[k] / h + jitter[k]);
        }
    }
    for (std::size_t k = 0; k < wobble_.size(); ++k) {
        wobble_[k] = static_cast<std::int8_t>(
            static_cast<int>(60 * std::sin(static_cast<double>(k) * PI / (1.2 * w))) - 30);
    }
    width_ = w;
    height_ = block.height;
    return 0;
}

int MeltDown::frame(const PictureFrameBlock& block) {
    if (wobble_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const std::int64_t total = static_cast<std::int64_t>(pixelCount(block));
    const int a = static_cast<int>(std::int64_t{block.elapsed} * 127 / block.duration);
    copyPicture(block, block.to);
    // Rows from the bottom of the screen: the lowest start first.
    const std::uint8_t* delay = delay_.data();
    for (int i = 0; i + 1 < h; i += 2) {
        const Pixel* from0 = rowOf(block.from, w, i);
        const Pixel* from1 = rowOf(block.from, w, i + 1);
        for (int j = 0; j + 1 < w; j += 2) {
            int d = a - *delay++;
            std::int64_t target = std::int64_t{i} * w + j;
            if (d > 0) {
                d = std::min(d, FALL_STEPS);
                const int sideways = d * wobble_[static_cast<std::size_t>(target)] / FALL_STEPS;
                const std::int64_t down = std::int64_t{h} * d * d / (FALL_STEPS * FALL_STEPS);
                // Positions are offsets into the picture: a sideways move
                // past an edge runs on into the neighbouring row. A drop
                // that would land before the start of the picture is gone;
                // one that would end past its end is too.
                target += sideways - down * w;
                if (target < 0 || target + w + 1 >= total) {
                    continue;
                }
            }
            Pixel* out = block.out + target;
            out[0] = from0[j];
            out[1] = from0[j + 1];
            out[w] = from1[j];
            out[w + 1] = from1[j + 1];
        }
    }
    return 0;
}

int MeltDown::end(const PictureFrameBlock&) {
    delay_ = {};
    wobble_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
