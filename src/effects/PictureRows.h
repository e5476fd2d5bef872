#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "effects/FrameBlocks.h"

namespace effects {

// Row and span copies of whole pixels, the only operations the moving
// transitions need. Rows are bottom-up: row 0 is the bottom row on screen.

inline std::size_t pixelCount(const PictureFrameBlock& block) {
    return static_cast<std::size_t>(block.width) * static_cast<std::size_t>(block.height);
}

inline const Pixel* rowOf(const Pixel* picture, int width, int row) {
    return picture + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
}

inline Pixel* rowOf(Pixel* picture, int width, int row) {
    return picture + static_cast<std::size_t>(row) * static_cast<std::size_t>(width);
}

inline void copyPixels(Pixel* destination, const Pixel* source, std::ptrdiff_t count) {
    if (count > 0) {
        std::memcpy(destination, source, static_cast<std::size_t>(count) * sizeof(Pixel));
    }
}

inline void fillPixels(Pixel* destination, Pixel value, std::ptrdiff_t count) {
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        destination[i] = value;
    }
}

// Copies a whole picture into block.out.
inline void copyPicture(const PictureFrameBlock& block, const Pixel* source) {
    std::memcpy(block.out, source, pixelCount(block) * sizeof(Pixel));
}

// The integer percent progress the moving transitions share.
inline int percentProgress(const PictureFrameBlock& block) {
    return static_cast<int>(std::int64_t{block.elapsed} * 100 / block.duration);
}

// The fractional progress, 0 to 1.
inline double fractionProgress(const PictureFrameBlock& block) {
    return static_cast<double>(block.elapsed) / static_cast<double>(block.duration);
}

// The shared first step of most moving transitions: at 0 % the outgoing
// picture, at 100 % the incoming one. Returns true when it drew the frame.
inline bool copyEndPoint(const PictureFrameBlock& block, int percent) {
    if (percent == 0) {
        copyPicture(block, block.from);
        return true;
    }
    if (percent == 100) {
        copyPicture(block, block.to);
        return true;
    }
    return false;
}

// Band k of a length split into n bands: [k * length / n, (k + 1) * length / n),
// so bands differ by at most one and exactly cover the length.
inline int bandStart(int k, int length, int n) {
    return static_cast<int>(std::int64_t{k} * length / n);
}

}  // namespace effects
