#include "effects/GlassShatter.h"

#include <array>
#include <cmath>
#include <new>

#include "effects/PictureRows.h"

namespace effects {

namespace {

constexpr double PI = 3.141592653589793;
constexpr double TWO_PI = 2 * PI;
constexpr double RADIANS = PI / 180;

// Shard s covers the angles from its start angle up to the next one's; the
// last shard wraps round from 180 to 190 degrees. Beyond the straight part
// (a fraction of half the diagonal) its edge bends by the given angle. The
// delay staggers the fall, in steps of 0.02 of the transition.
struct Shard {
    double start;  // degrees
    double bend;   // degrees
    double straight;
    int delay;
};
constexpr std::array<Shard, GlassShatter::SHARD_COUNT> SHARDS = {{
    {-170, 0, 0.3, 1},
    {-160, 4, 0.2, 0},
    {-130, -12, 0.5, 2},
    {-100, -6, 0.5, 3},
    {-90, 10, 0.4, 4},
    {-80, -5, 0.5, 5},
    {-40, 0, 0.6, 6},
    {-15, -15, 0.7, 7},
    {30, 0, 0.7, 10},
    {55, 15, 0.5, 9},
    {70, -10, 0.1, 14},
    {85, 7, 0.9, 13},
    {110, 0, 0.5, 12},
    {135, -8, 0.2, 11},
    {150, 8, 0.7, 6},
    {180, 12, 0.3, 8},
}};

constexpr int LAST = GlassShatter::SHARD_COUNT - 1;

double startOf(int s) {
    return SHARDS[static_cast<std::size_t>(s)].start * RADIANS;
}
double bendOf(int s) {
    return SHARDS[static_cast<std::size_t>(s)].bend * RADIANS;
}

// The share of the transition after which a shard's fall has its full
// length.
constexpr double FALL_TIME = 0.7;
constexpr double DELAY_STEP = 0.02;  // (1 - FALL_TIME) / 15

}  // namespace

int GlassShatter::shardOf(int x, int y, int width, int height) {
    const double halfDiagonal = std::sqrt(
        (static_cast<double>(width) * width + static_cast<double>(height) * height) * 0.25);
    const int dx = x - width / 2;
    const int dy = y - height / 2;
    double theta = std::atan2(static_cast<double>(dy), static_cast<double>(dx));
    const double r = std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy);
    for (int s = 0; s < LAST; ++s) {
        if (startOf(s) <= theta && theta < startOf(s + 1)) {
            const double straight = halfDiagonal * SHARDS[static_cast<std::size_t>(s)].straight;
            if (r < straight || SHARDS[static_cast<std::size_t>(s)].bend == 0) {
                return s;
            }
            const double bent = theta + std::atan(std::tan(bendOf(s)) * (r - straight) / r);
            if (bent >= startOf(s + 1)) {
                return s + 1;
            }
            if (bent >= startOf(s)) {
                return s;
            }
            return s == 0 ? LAST : s - 1;
        }
    }
    // The wrap sector, from 180 degrees round to -170.
    const double straight = halfDiagonal * 0.3;
    if (r < straight) {
        return LAST;
    }
    if (theta < 0) {
        theta += TWO_PI;
    }
    const double bent = theta + std::atan(std::tan(bendOf(LAST)) * (r - straight) / r);
    if (bent >= startOf(0) + TWO_PI) {
        return 0;
    }
    if (bent >= startOf(LAST)) {
        return LAST;
    }
    return LAST - 1;
}

int GlassShatter::begin(const PictureFrameBlock& block) {
    end(block);
    if (!hasPictures(block)) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    try {
        rowStart_.reserve(static_cast<std::size_t>(h) + 1);
        rowStart_.push_back(0);
        for (int y = 0; y < h; ++y) {
            int first = 0;
            int shard = shardOf(0, y, w, h);
            for (int x = 1; x <= w; ++x) {
                const int next = x < w ? shardOf(x, y, w, h) : -1;
                if (next != shard) {
                    runs_.push_back({first, x, shard});
                    first = x;
                    shard = next;
                }
            }
            rowStart_.push_back(static_cast<std::uint32_t>(runs_.size()));
        }
    } catch (const std::bad_alloc&) {
        end(block);
        return 0;
    }
    width_ = w;
    height_ = h;
    return 0;
}

int GlassShatter::end(const PictureFrameBlock&) {
    runs_ = {};
    rowStart_ = {};
    width_ = 0;
    height_ = 0;
    return 0;
}

std::vector<GlassShatter::Run> GlassShatter::rowRuns(int y) const {
    if (y < 0 || y >= height_) {
        return {};
    }
    return {runs_.begin() + rowStart_[static_cast<std::size_t>(y)],
            runs_.begin() + rowStart_[static_cast<std::size_t>(y) + 1]};
}

int GlassShatter::frame(const PictureFrameBlock& block) {
    if (rowStart_.empty() || block.width != width_ || block.height != height_) {
        return 0;
    }
    const int w = block.width;
    const int h = block.height;
    const double t = fractionProgress(block);
    std::array<int, SHARD_COUNT> drop{};  // rows each shard has fallen, negative: down
    for (int s = 0; s < SHARD_COUNT; ++s) {
        double g = (t - SHARDS[static_cast<std::size_t>(s)].delay * DELAY_STEP) / FALL_TIME;
        if (g < 0) {
            g = 0;
        }
        drop[static_cast<std::size_t>(s)] = static_cast<int>(-h * g * g);
    }
    copyPicture(block, block.to);
    for (int y = 0; y < h; ++y) {
        const Pixel* from = rowOf(block.from, w, y);
        for (std::uint32_t i = rowStart_[static_cast<std::size_t>(y)];
             i < rowStart_[static_cast<std::size_t>(y) + 1]; ++i) {
            const Run& run = runs_[i];
            const int target = y + drop[static_cast<std::size_t>(run.shard)];
            if (target >= 0 && target < h) {
                copyPixels(rowOf(block.out, w, target) + run.first, from + run.first,
                           run.end - run.first);
            }
        }
    }
    return 0;
}

}  // namespace effects
