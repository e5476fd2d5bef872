#include "effects/GlitchPush.h"

#include <cstdlib>
#include <new>

#include "effects/PictureRows.h"
#include "effects/RandomGenerator.h"

namespace effects {

namespace {

constexpr Pixel BLACK = 0;

}  // namespace

int GlitchPush::begin(const PictureFrameBlock& block) {
    end(block);
    random_.seed(clock_.wallSeconds());
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    std::array<int, CHOSEN_ROWS> chosen{};
    for (int& row : chosen) {
        row = random_.next() % h;
    }
    try {
        profile_.assign(static_cast<std::size_t>(h), 0);
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    for (int i = 0; i < h; ++i) {
        std::int32_t sum = 0;
        for (int row : chosen) {
            sum += (w / 3) / (i == row ? 1 : i - row);
        }
        profile_[static_cast<std::size_t>(i)] = sum;
    }
    for (std::int32_t& jitter : jitter_) {
        jitter = random_.next() % 32 - 16;
    }
    width_ = w;
    height_ = h;
    return 0;
}

int GlitchPush::frame(const PictureFrameBlock& block) {
    if (profile_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    if (block.elapsed == 0) {
        copyPicture(block, block.from);
        return 0;
    }
    if (block.elapsed == block.duration) {
        copyPicture(block, block.to);
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const double x = fractionProgress(block);
    const int d = static_cast<int>(x * x * h);
    const std::int32_t jitter = jitter_[static_cast<std::size_t>(static_cast<int>(100 * x))];
    for (int i = 0; i < h; ++i) {
        const Pixel* source = i >= d ? rowOf(block.from, w, i - d) : rowOf(block.to, w, i - d + h);
        Pixel* out = rowOf(block.out, w, i);
        const std::int64_t shift =
            std::int64_t{profile_[static_cast<std::size_t>(i)]} * jitter / 16;
        shiftRow(out, source, w, shift);
    }
    return 0;
}

void GlitchPush::shiftRow(Pixel* out, const Pixel* source, int width, std::int64_t shift) {
    if (std::llabs(shift) >= width) {
        fillPixels(out, BLACK, width);
        return;
    }
    const int s = static_cast<int>(shift);
    if (s >= 0) {
        fillPixels(out, BLACK, s);
        copyPixels(out + s, source, width - s);
    } else {
        copyPixels(out, source - s, width + s);
        fillPixels(out + (width + s), BLACK, -s);
    }
}

int GlitchPush::end(const PictureFrameBlock&) {
    profile_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
