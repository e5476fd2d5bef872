#include "effects/MapWipe.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>

#include "effects/EffectTables.h"
#include "effects/PictureRows.h"
#include "effects/PixelBlend.h"

namespace effects {

namespace {

constexpr int MAP_SPIRAL_SOFT = 0;
constexpr int MAP_SPIRAL_HARD = 1;
constexpr int MAP_RAMP = 2;
constexpr int MAP_PINWHEEL_HARD = 3;

constexpr double SPIRAL_TWIST = std::numbers::pi * 0.16666666666666669;

// A arms of a pinwheel, curved into a spiral by the twist; `steps` is 64 for
// a soft edge, 32 for a hard one.
void buildSpiral(std::vector<std::uint8_t>& map, int w, int h, int arms, double twist, int steps) {
    const double pi = std::numbers::pi;
    const double reach =
        std::sqrt((static_cast<double>(w) * w + static_cast<double>(h) * h) * 0.25);
    for (int row = 0; row < h; ++row) {
        std::uint8_t* out =
            map.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(w);
        const double y = row - h / 2;
        for (int column = 0; column < w; ++column) {
            const double x = column - w / 2;
            const double r = std::sqrt(x * x + y * y);
            const double v = twist * std::sin(r / reach * pi) + std::atan2(y, x) + pi;
            const std::int64_t turn = static_cast<std::int64_t>(v * steps / (2 * pi) * arms);
            out[column] = static_cast<std::uint8_t>(turn % steps);
        }
    }
}

// A straight ramp: the side the direction names turns first.
void buildRamp(std::vector<std::uint8_t>& map, int w, int h, int direction) {
    for (int row = 0; row < h; ++row) {
        std::uint8_t* out =
            map.data() + static_cast<std::size_t>(row) * static_cast<std::size_t>(w);
        for (int column = 0; column < w; ++column) {
            std::int64_t threshold;
            switch (direction) {
                case DirUp:
                    threshold = std::int64_t{h - 1 - row} * 64 / h;
                    break;
                case DirDown:
                    threshold = std::int64_t{row} * 64 / h;
                    break;
                case DirRight:
                    threshold = std::int64_t{w - 1 - column} * 64 / w;
                    break;
                default:
                    threshold = std::int64_t{column} * 64 / w;
                    break;
            }
            out[column] = static_cast<std::uint8_t>(threshold);
        }
    }
}

}  // namespace

int MapWipe::begin(const PictureFrameBlock& block) {
    end(block);
    const int type = block.parameter >> 8;
    const int arms = block.parameter & 0xFF;
    if (!hasPictures(block) || type < MAP_SPIRAL_SOFT || type > MAP_PINWHEEL_HARD) {
        return 0;
    }
    try {
        map_.resize(pixelCount(block));
    } catch (const std::bad_alloc&) {
        map_ = {};
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    switch (type) {
        case MAP_SPIRAL_SOFT:
            edge_ = Edge::Soft;
            buildSpiral(map_, w, h, arms, SPIRAL_TWIST, 64);
            break;
        case MAP_SPIRAL_HARD:
            edge_ = Edge::Hard;
            buildSpiral(map_, w, h, arms, SPIRAL_TWIST, 32);
            break;
        case MAP_RAMP:
            edge_ = Edge::Soft;
            buildRamp(map_, w, h, block.direction);
            break;
        default:
            edge_ = Edge::Hard;
            buildSpiral(map_, w, h, arms, 0.0, 32);
            break;
    }
    width_ = w;
    height_ = h;
    return 0;
}

int MapWipe::frame(const PictureFrameBlock& block) {
    // The map belongs to the size Begin saw; a frame of another size would
    // read past it.
    if (map_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const std::size_t count = pixelCount(block);
    const bool fast = path_ == PixelPath::Fast;
    const std::int64_t elapsed = block.elapsed;
    const std::int64_t duration = block.duration;
    if (edge_ == Edge::Soft) {
        const int base = static_cast<int>(2 * (elapsed * 63 / duration));
        (fast ? mapSoftFast : mapSoftPlain)(block.out, block.from, block.to, map_.data(), base,
                                            count);
        return 0;
    }
    if (elapsed == 0) {
        copyPicture(block, block.from);
    } else if (elapsed == duration) {
        copyPicture(block, block.to);
    } else {
        const int d = static_cast<int>(elapsed * 64 / duration);
        (fast ? mapHardFast : mapHardPlain)(block.out, block.from, block.to, map_.data(), d / 2,
                                            count);
    }
    return 0;
}

int MapWipe::end(const PictureFrameBlock&) {
    map_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

}  // namespace effects
