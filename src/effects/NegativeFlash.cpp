#include "effects/NegativeFlash.h"

#include <new>

#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr Pixel COLOUR_MASK = 0x00FFFFFFu;

// (e * grey + (1024 - e) * from) >> 10 on each colour byte.
void fadeToNegative(Pixel* __restrict out, const Pixel* __restrict from,
                    const std::uint8_t* __restrict grey, int e, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel p = from[i];
        const int g = e * grey[i];
        const Pixel b = static_cast<Pixel>((g + (1024 - e) * static_cast<int>(p & 0xFF)) >> 10);
        const Pixel gr =
            static_cast<Pixel>((g + (1024 - e) * static_cast<int>((p >> 8) & 0xFF)) >> 10);
        const Pixel r =
            static_cast<Pixel>((g + (1024 - e) * static_cast<int>((p >> 16) & 0xFF)) >> 10);
        out[i] = (out[i] & ~COLOUR_MASK) | b | (gr << 8) | (r << 16);
    }
}

// Every colour byte takes the level of the pixel's grey: the level table
// (v = 4 * grey - e; grey when v <= grey, 255 when v > 254, else v),
// computed inline so that the loop vectorises.
void burnToWhite(Pixel* __restrict out, const std::uint8_t* __restrict grey, int e,
                 std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const int g = grey[i];
        const int v = 4 * g - e;
        const int level = v <= g ? g : (v > 254 ? 255 : v);
        const Pixel l = static_cast<Pixel>(level);
        out[i] = (out[i] & ~COLOUR_MASK) | l | (l << 8) | (l << 16);
    }
}

// (255 * (1024 - e) + e * to) >> 10 on each colour byte.
void whiteToPicture(Pixel* __restrict out, const Pixel* __restrict to, int e, std::size_t count) {
    const int white = 255 * (1024 - e);
    for (std::size_t i = 0; i < count; ++i) {
        const Pixel p = to[i];
        const Pixel b = static_cast<Pixel>((white + e * static_cast<int>(p & 0xFF)) >> 10);
        const Pixel g = static_cast<Pixel>((white + e * static_cast<int>((p >> 8) & 0xFF)) >> 10);
        const Pixel r = static_cast<Pixel>((white + e * static_cast<int>((p >> 16) & 0xFF)) >> 10);
        out[i] = (out[i] & ~COLOUR_MASK) | b | (g << 8) | (r << 16);
    }
}

}  // namespace

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
    if (c <= 0.4) {
        fadeToNegative(block.out, block.from, grey_.data(), static_cast<int>(c * 2560), count);
    } else if (c <= 0.8) {
        burnToWhite(block.out, grey_.data(), static_cast<int>(765 - (2.5 * c - 1) * 1020), count);
    } else {
        whiteToPicture(block.out, block.to, static_cast<int>((5 * c - 4) * 1024), count);
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
