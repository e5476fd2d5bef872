#include "effects/ShatterEffects.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/ColourBytes.h"
#include "effects/PictureRows.h"
#include "effects/RandomGenerator.h"

namespace effects {

namespace {

// Memory row of a row counted from the top of the screen.
int memoryRow(int topDownRow, int height) {
    return height - 1 - topDownRow;
}

}  // namespace

int blockSizeFor(int parameter, int width, int height) {
    int size = std::max(parameter, 1);
    while (size > 1 && (width % size != 0 || height % size != 0)) {
        --size;
    }
    return size;
}

int RandomBlocks::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const int size = blockSizeFor(block.parameter, block.width, block.height);
    const std::size_t count = static_cast<std::size_t>(block.width / size) *
                              static_cast<std::size_t>(block.height / size);
    try {
        thresholds_.resize(count);
    } catch (const std::bad_alloc&) {
        thresholds_ = {};
        return 0;
    }
    for (std::uint8_t& threshold : thresholds_) {
        threshold = static_cast<std::uint8_t>(random_.next() % 100);
    }
    width_ = block.width;
    height_ = block.height;
    size_ = size;
    return 0;
}

int RandomBlocks::frame(const PictureFrameBlock& block) {
    if (thresholds_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const int p = percentProgress(block);
    // Every threshold is below 100, so the last frame is `to` throughout.
    if (copyEndPoint(block, p)) {
        return 0;
    }
    const int w = block.width;
    const int s = size_;
    const int columns = w / s;
    for (int row = 0; row < block.height; ++row) {
        const std::uint8_t* thresholds = thresholds_.data() + static_cast<std::size_t>(row / s) *
                                                                  static_cast<std::size_t>(columns);
        Pixel* out = rowOf(block.out, w, row);
        const Pixel* from = rowOf(block.from, w, row);
        const Pixel* to = rowOf(block.to, w, row);
        for (int b = 0; b < columns; ++b) {
            const Pixel* source = p < thresholds[b] ? from : to;
            for (int x = b * s; x < (b + 1) * s; ++x) {
                out[x] = withColourOf(out[x], source[x]);
            }
        }
    }
    return 0;
}

int RandomBlocks::end(const PictureFrameBlock&) {
    thresholds_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

std::int64_t Shatter::fallFactor(int elapsed, int duration) {
    const double d = duration;
    const double h = 4.0 * std::sqrt(d);
    const double f =
        ((h + elapsed) * (h + elapsed) - h * h * 0.33333334) / ((d + h) * (d + h)) * 1024.0 * 0.67;
    return static_cast<std::int64_t>(f * f);
}

int Shatter::begin(const PictureFrameBlock& block) {
    end(block);
    random_.seed(clock_.processorTime());
    if (!hasPictures(block)) {
        return 0;
    }
    const std::size_t count = entryCount(block);
    try {
        hx_.resize(count);
        hy_.resize(count);
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    const int w = block.width;
    // A picture one row high has no half height to draw from.
    const int halfHeight = std::max(block.height / 2, 1);
    const int fallBase = 5 * block.height / 2;
    for (std::size_t i = 0; i < count; ++i) {
        hx_[i] = random_.next() % (2 * w);
        hy_[i] = random_.next() % halfHeight + fallBase;
    }
    ready_ = true;
    width_ = w;
    height_ = block.height;
    return 0;
}

int Shatter::end(const PictureFrameBlock&) {
    hx_ = {};
    hy_ = {};
    ready_ = false;
    width_ = 0;
    height_ = 0;
    return 0;
}

bool Shatter::startFrame(const PictureFrameBlock& block) const {
    if (!ready_ || block.width != width_ || block.height != height_) {
        return false;
    }
    if (block.elapsed == 0) {
        copyPicture(block, block.from);
        return false;
    }
    copyPicture(block, block.to);
    return true;
}

std::size_t ShatterBlocks::entryCount(const PictureFrameBlock& block) const {
    // More entries than blocks: the generator's later state depends on
    // drawing all of them.
    const std::size_t size =
        static_cast<std::size_t>(blockSizeFor(block.parameter, block.width, block.height));
    return pixelCount(block) / size;
}

int ShatterBlocks::frame(const PictureFrameBlock& block) {
    if (!startFrame(block)) {
        return 0;
    }
    const std::int64_t fall = fallFactor(block.elapsed, block.duration);
    const int w = block.width;
    const int h = block.height;
    const int s = blockSizeFor(block.parameter, w, h);
    std::size_t i = 0;
    for (int y = 0; y < h; y += s) {
        for (int x = 0; x < w; x += s, ++i) {
            int m = y + static_cast<int>((fall * hy_[i]) >> 20);
            if (m <= 0 || m >= h) {
                continue;
            }
            int t = x + static_cast<int>(((hx_[i] - w) * fall) >> 20);
            if (t <= 0 || t >= w) {
                continue;
            }
            m = std::min(m, h - s);
            t = std::min(t + s / 2, w);
            const int count = std::min(t, s);
            for (int r = 0; r < s; ++r) {
                // Blocks are a few pixels wide: a loop beats a call.
                Pixel* out = rowOf(block.out, w, memoryRow(m + r, h)) + (w - t);
                const Pixel* from = rowOf(block.from, w, memoryRow(y + r, h)) + (w - s - x);
                for (int k = 0; k < count; ++k) {
                    out[k] = from[k];
                }
            }
        }
    }
    return 0;
}

std::size_t ShatterFine::entryCount(const PictureFrameBlock& block) const {
    return pixelCount(block) / 4;
}

int ShatterFine::frame(const PictureFrameBlock& block) {
    if (!startFrame(block)) {
        return 0;
    }
    const std::int64_t fall = fallFactor(block.elapsed, block.duration);
    const int w = block.width;
    const int h = block.height;
    std::size_t i = 0;
    for (int y = 0; y + 1 < h; y += 2) {
        const Pixel* from0 = rowOf(block.from, w, memoryRow(y, h));
        const Pixel* from1 = rowOf(block.from, w, memoryRow(y + 1, h));
        for (int x = 0; x + 1 < w; x += 2, ++i) {
            const int r = y + static_cast<int>((fall * hy_[i]) >> 20);
            if (r < 0 || r >= h - 1) {
                continue;
            }
            int c = x + static_cast<int>(((hx_[i] - w) * fall) >> 20);
            if (c < 0 || c >= w - 1) {
                continue;
            }
            c = std::max(c, 2);
            // Pictures under four columns wide have no room right of column 2.
            if (c > w - 2) {
                continue;
            }
            Pixel* out0 = rowOf(block.out, w, memoryRow(r, h));
            Pixel* out1 = rowOf(block.out, w, memoryRow(r + 1, h));
            out0[w - 2 - c] = from0[w - 2 - x];
            out0[w - 1 - c] = from0[w - 1 - x];
            out1[w - 2 - c] = from1[w - 2 - x];
            out1[w - 1 - c] = from1[w - 1 - x];
        }
    }
    return 0;
}

}  // namespace effects
