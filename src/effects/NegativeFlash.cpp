#include "effects/NegativeFlash.h"

#include <new>

#include "effects/PictureRows.h"
#include "effects/PixelBlend.h"

namespace effects {

int NegativeFlash::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const std::size_t count = pixelCount(block);
    try {
        grey_.resize(count);
    } catch (const std::bad_alloc&) {
        grey_ = {};
        return 0;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel p = block.from[i];
        const int weighted = 3 * static_cast<int>(p & 0xFF) +
                             4 * static_cast<int>((p >> 8) & 0xFF) +
                             2 * static_cast<int>((p >> 16) & 0xFF);
        grey_[i] = static_cast<std::uint8_t>(255 - weighted / 9);
    }
    width_ = block.width;
    height_ = block.height;
    return 0;
}

int NegativeFlash::frame(const PictureFrameBlock& block) {
    // The grey image belongs to the pictures Begin saw; a frame of another
    // size would read past it.
    if (grey_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const std::size_t count = pixelCount(block);
    const double c = fractionProgress(block);
    const bool fast = path_ == PixelPath::Fast;
    if (c <= 0.4) {
        const int e = static_cast<int>(c * 2560);
        (fast ? negativeFadeFast : negativeFadePlain)(block.out, block.from, grey_.data(), e,
                                                      count);
    } else if (c <= 0.8) {
        const int e = static_cast<int>(765 - (2.5 * c - 1) * 1020);
        (fast ? negativeBurnFast : negativeBurnPlain)(block.out, grey_.data(), e, count);
    } else {
        const int e = static_cast<int>((5 * c - 4) * 1024);
        (fast ? negativeWhiteFast : negativeWhitePlain)(block.out, block.to, e, count);
    }
    return 0;
}

int NegativeFlash::end(const PictureFrameBlock&) {
    grey_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
