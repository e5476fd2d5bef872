#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "effects/EffectOperation.h"
#include "effects/EffectRegistry.h"

namespace effects::testing {

// A picture whose every pixel says where it came from: the picture's tag in
// the fourth byte, then its row and column. A frame made of such pixels can
// be read back as "which picture, which row, which column".
struct OriginPicture {
    int width, height;
    std::vector<Pixel> pixels;

    OriginPicture(int w, int h, std::uint8_t tag)
        : width(w), height(h), pixels(std::size_t(w) * h) {
        for (int row = 0; row < h; ++row) {
            for (int column = 0; column < w; ++column) {
                pixels[std::size_t(row) * w + column] = origin(tag, row, column);
            }
        }
    }

    static Pixel origin(std::uint8_t tag, int row, int column) {
        return Pixel{tag} << 24 | Pixel(row) << 12 | Pixel(column);
    }

    Pixel at(int row, int column) const { return pixels[std::size_t(row) * width + column]; }
};

inline constexpr std::uint8_t FROM_TAG = 0xA0;
inline constexpr std::uint8_t TO_TAG = 0xB0;

inline Pixel fromAt(int row, int column) {
    return OriginPicture::origin(FROM_TAG, row, column);
}
inline Pixel toAt(int row, int column) {
    return OriginPicture::origin(TO_TAG, row, column);
}

// Drives one slot of a registry the way the player does, on pictures of the
// caller's choice.
struct TransitionRun {
    EffectRegistry registry;
    int width, height;
    const std::vector<Pixel>& from;
    const std::vector<Pixel>& to;
    std::vector<Pixel> out;

    TransitionRun(int w, int h, const std::vector<Pixel>& fromPixels,
                  const std::vector<Pixel>& toPixels,
                  const EffectRegistry::Options& options = {.seed = 7})
        : registry(options),
          width(w),
          height(h),
          from(fromPixels),
          to(toPixels),
          out(std::size_t(w) * h, 0x12345678) {}

    PictureFrameData data(int elapsed, int duration) {
        return PictureFrameData{0,     from.data(), to.data(), out.data(),
                                width, height,      elapsed,   duration};
    }
    int begin(int slot) {
        const PictureFrameData d = data(0, 100);
        return registry.runPicture(slot, EFFECT_BEGIN, &d);
    }
    const std::vector<Pixel>& frame(int slot, int elapsed, int duration) {
        const PictureFrameData d = data(elapsed, duration);
        registry.runPicture(slot, EFFECT_FRAME, &d);
        return out;
    }
    int end(int slot) { return registry.runPicture(slot, EFFECT_END, nullptr); }

    Pixel at(int row, int column) const { return out[std::size_t(row) * width + column]; }
};

}  // namespace effects::testing
