#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "TransitionFixture.h"

namespace effects {
namespace {

using testing::TransitionRun;

std::vector<Pixel> noise(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<Pixel> pixels(count);
    for (Pixel& p : pixels) {
        p = random();
    }
    return pixels;
}

// Largest difference of a colour byte between two frames.
int largestDifference(const std::vector<Pixel>& a, const std::vector<Pixel>& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        for (int shift : {0, 8, 16}) {
            const int d = std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF));
            largest = std::max(largest, d);
        }
    }
    return largest;
}

// Pixels whose colour bytes differ between two frames by more than `tolerance`.
std::size_t pixelsBeyond(const std::vector<Pixel>& a, const std::vector<Pixel>& b, int tolerance) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (largestDifference({a[i]}, {b[i]}) > tolerance) {
            ++count;
        }
    }
    return count;
}

// How far a handler's first and last frames may be from the two pictures:
// the blends reach `to` exactly, but start 127/128 of the way back to
// `from`; the sunburst fade ends the same way. A few transitions leave
// stray pixels in a frame at an end (the player shows `to` itself after
// the last frame); `stray` is the share of the pixels they may leave,
// rounded up.
struct Tolerance {
    int atStart, atEnd;
    double strayAtStart = 0, strayAtEnd = 0;
};

std::size_t allowance(double share, std::size_t pixels) {
    return std::size_t(std::ceil(share * double(pixels)));
}

Tolerance toleranceOf(PictureHandler handler) {
    switch (handler) {
        // The 3D transitions show the pictures through 512 x 512 textures,
        // which noise does not survive (ThreeDTransitionsTest reads their
        // ends back from ramps). Those that end with every piece gone end
        // on `to` itself.
        case PictureHandler::PlaneTurn3D:
        case PictureHandler::BlockTurn3D:
        case PictureHandler::CubeShuffle3D:
        case PictureHandler::StripSpread3D:
            return {255, 255};
        case PictureHandler::StripFold3D:
        case PictureHandler::TileFlight3D:
            return {255, 0};
        // The film look starts and ends at 63/64 of the band's brightness.
        case PictureHandler::FilmStrip:
            return {4, 4};
        // The centre pixel is inside the circle from the start.
        case PictureHandler::CircleSmear:
            return {0, 0, 0.01, 0};
        // The centre pixel never moves.
        case PictureHandler::SwirlAway:
            return {0, 0, 0, 0.01};
        // The highest points of the noise still glow.
        case PictureHandler::NoiseBurn:
            return {0, 0, 0, 0.01};
        // Drops from the top rows are still falling.
        case PictureHandler::MeltDown:
            return {0, 0, 0, 0.01};
        default:
            break;
    }
    // The ripple dissolve ends within 2 where its phase's cosine is -1.
    if (handler == PictureHandler::FadeThroughImage || handler == PictureHandler::RippleDissolve) {
        return {2, 2};
    }
    if (handler == PictureHandler::CrossFade) {
        return {2, 0};
    }
    return {0, 0};
}

// Every slot, driven as the player drives it: progress 0 shows `from` and the
// final frame shows `to`.
TEST(EveryPictureSlot, StartsWithFromAndEndsWithTo) {
    const struct { int width, height; } sizes[] = {{64, 48}, {100, 62}, {2, 2}};
    for (const auto& size : sizes) {
        for (PixelPath path : {PixelPath::Fast, PixelPath::Plain}) {
            const std::size_t count = std::size_t(size.width) * size.height;
            const std::vector<Pixel> from = noise(count, 1), to = noise(count, 2);
            TransitionRun run(size.width, size.height, from, to,
                              {.seed = 7, .pixelPath = path, .seedClock = SeedClock::fixed(3)});
            for (int slot = 0; slot < 99; ++slot) {
                SCOPED_TRACE("slot " + std::to_string(slot) + " at " + std::to_string(size.width) +
                             "x" + std::to_string(size.height) +
                             (path == PixelPath::Plain ? ", plain" : ", fast"));
                ASSERT_EQ(run.begin(slot), 0);
                const PictureHandler handler = run.registry.pictureHandler(slot);
                const Tolerance tolerance = toleranceOf(handler);
                EXPECT_LE(pixelsBeyond(run.frame(slot, 0, 1500), from, tolerance.atStart),
                          allowance(tolerance.strayAtStart, count));
                run.frame(slot, 750, 1500);
                EXPECT_LE(pixelsBeyond(run.frame(slot, 1500, 1500), to, tolerance.atEnd),
                          allowance(tolerance.strayAtEnd, count));
                EXPECT_EQ(run.end(slot), 0);
            }
        }
    }
}

}  // namespace
}  // namespace effects
