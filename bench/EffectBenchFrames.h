#pragma once

// The stages and frames the transition benchmarks draw on.

#include <cstddef>
#include <random>
#include <vector>

#include "effects/FrameBlocks.h"

namespace effect_bench {

using effects::Pixel;

struct Stage {
    int width, height;
};
inline constexpr Stage STAGES[] = {{1280, 1024}, {1920, 1080}};

// Photo-like content is not needed: every handler's cost is independent of
// the pixel values. Noise keeps the blends honest all the same.
inline std::vector<Pixel> noise(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Pixel> pixels(count);
    for (Pixel& p : pixels) {
        p = random();
    }
    return pixels;
}

struct Frames {
    int width, height;
    std::vector<Pixel> from, to, out;
    explicit Frames(const Stage& stage)
        : width(stage.width),
          height(stage.height),
          from(noise(std::size_t(width) * height, 1)),
          to(noise(std::size_t(width) * height, 2)),
          out(std::size_t(width) * height) {}
    effects::PictureFrameData data(int elapsed = 0, int duration = 100) {
        return {0, from.data(), to.data(), out.data(), width, height, elapsed, duration};
    }
};

}  // namespace effect_bench
