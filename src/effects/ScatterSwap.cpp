#include "effects/ScatterSwap.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "effects/PictureRows.h"
#include "effects/RandomGenerator.h"

namespace effects {

namespace {

// The offset of one particle along one axis: toward a random target in the
// middle half of the axis, by a random part of the way to the edge beyond.
// Positions are relative to the centre; `size` is the axis length.
std::int32_t offsetToward(int position, int size, RandomGenerator& random) {
    const int target = random.next() % (size / 2) - size / 4;
    if (target < position) {
        // The remainder of a negated value: -(modulus - 1) to 0.
        return -(random.next() % (target + size / 2));
    }
    if (position < target) {
        return random.next() % (size / 2 - target);
    }
    return 0;
}

}  // namespace

int ScatterSwap::spread(double progress) {
    const double c = progress;
    const double low = static_cast<double>(0.3f);
    const double high = static_cast<double>(0.7f);
    const double bend = static_cast<double>(2.4f);
    double d = c;
    if (c > low && c < 0.5) {
        d = c - (c - low) * (c - low) * bend;
    } else if (c >= 0.5 && c < high) {
        d = c + (high - c) * (high - c) * bend;
    }
    return static_cast<int>((0.5 - std::fabs(d - 0.5)) * 2000);
}

int ScatterSwap::begin(const PictureFrameBlock& block) {
    end(block);
    random_.seed(clock_.processorTime());
    if (!hasPictures(block) || block.width % 2 != 0 || block.height % 2 != 0) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    try {
        particles_.resize(pixelCount(block) / 4);
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    for (Particle& particle : particles_) {
        particle.switchAt = random_.next() % 255 + 1;
    }
    std::size_t n = 0;
    for (int row = 0; row < h; row += 2) {
        for (int column = 0; column < w; column += 2, ++n) {
            Particle& particle = particles_[n];
            particle.fx = offsetToward(column - w / 2, w, random_);
            particle.fy = offsetToward(row - h / 2, h, random_);
        }
    }
    width_ = w;
    height_ = h;
    return 0;
}

int ScatterSwap::frame(const PictureFrameBlock& block) {
    if (particles_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    std::fill_n(block.out, pixelCount(block), Pixel{0});
    const double c = fractionProgress(block);
    const std::int64_t spreadNow = spread(c);
    const int moment = static_cast<int>(c * 256);
    std::size_t n = 0;
    for (int row = 0; row < h; row += 2) {
        for (int column = 0; column < w; column += 2, ++n) {
            const Particle& particle = particles_[n];
            const Pixel* source = moment < particle.switchAt ? block.from : block.to;
            const int x =
                std::clamp(column + static_cast<int>((spreadNow * particle.fx) >> 10), 0, w - 2);
            const int y =
                std::clamp(row + static_cast<int>((spreadNow * particle.fy) >> 10), 0, h - 2);
            const Pixel* in0 = rowOf(source, w, row) + column;
            const Pixel* in1 = rowOf(source, w, row + 1) + column;
            Pixel* out0 = rowOf(block.out, w, y) + x;
            Pixel* out1 = rowOf(block.out, w, y + 1) + x;
            out0[0] = in0[0];
            out0[1] = in0[1];
            out1[0] = in1[0];
            out1[1] = in1[1];
        }
    }
    return 0;
}

int ScatterSwap::end(const PictureFrameBlock&) {
    particles_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
