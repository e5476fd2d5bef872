#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "FrameCheck.h"
#include "TransitionFixture.h"
#include "effects/SwirlAway.h"

namespace effects {
namespace {

using testing::fixedOptions;
using testing::TransitionRun;

std::vector<Pixel> noise(std::size_t count, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<Pixel> pixels(count);
    for (Pixel& p : pixels) {
        p = random();
    }
    return pixels;
}

// The fast paths of the block, shatter, door, burn, smear, swirl and scatter
// transitions must write the plain paths' bytes, the kept fourth byte of
// `out` included, on sizes that leave SIMD tails, odd centres and single
// rows, and whatever order the frames come in (export and `photoreel
// effect` jump about).
TEST(BreakupFastPaths, WriteThePlainPathsBytesInAnyOrder) {
    struct Slot {
        int slot;
        const char* name;
    };
    const Slot slots[] = {
        {22, "NoiseBurn"},       {23, "CircleSmear"},      {29, "ShatterFine"},
        {30, "ShatterBlocks 4"}, {32, "ShatterBlocks 20"}, {33, "ScatterSwap"},
        {36, "RandomBlocks 4"},  {37, "RandomBlocks 8"},   {38, "RandomBlocks 20"},
        {87, "SwirlAway"},       {91, "DoorSwing up"},     {92, "DoorSwing down"},
        {93, "DoorSwing left"},  {94, "DoorSwing right"},
    };
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{320, 240}, {161, 119}, {96, 128}, {80, 60}, {37, 23},
                          {17, 1},    {1, 17},    {3, 2},    {2, 2},   {1, 1}};
    // Forward through the whole transition, then the same frames shuffled,
    // then a few of another duration.
    std::vector<int> order;
    for (int elapsed = 0; elapsed <= 1000; elapsed += 53) {
        order.push_back(elapsed);
    }
    order.insert(order.end(), {1, 999, 1000});
    std::vector<int> shuffled = order;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(3));
    order.insert(order.end(), shuffled.begin(), shuffled.end());
    for (const Size& size : sizes) {
        const std::size_t count = std::size_t(size.w) * size.h;
        const std::vector<Pixel> from = noise(count, 1), to = noise(count, 2);
        for (const Slot& s : slots) {
            SCOPED_TRACE(std::string(s.name) + " on " + std::to_string(size.w) + "x" +
                         std::to_string(size.h));
            EffectRegistry::Options fastOptions = fixedOptions();
            EffectRegistry::Options plainOptions = fixedOptions();
            plainOptions.pixelPath = PixelPath::Plain;
            TransitionRun fast(size.w, size.h, from, to, fastOptions);
            TransitionRun plain(size.w, size.h, from, to, plainOptions);
            fast.out = plain.out = noise(count, 3);
            fast.begin(s.slot);
            plain.begin(s.slot);
            for (int elapsed : order) {
                ASSERT_EQ(fast.frame(s.slot, elapsed, 1000), plain.frame(s.slot, elapsed, 1000))
                    << "elapsed " << elapsed;
            }
            for (int elapsed : {0, 1, 2, 3}) {
                ASSERT_EQ(fast.frame(s.slot, elapsed, 3), plain.frame(s.slot, elapsed, 3))
                    << "elapsed " << elapsed << " of 3";
            }
            fast.end(s.slot);
            plain.end(s.slot);
        }
    }
}

// The scatter and the fine shatter pick pixels four and eight particles at a
// time and keep their offsets in 16 bits: row pairs that leave particles
// over, pictures whose offsets reach the generator's largest values, and the
// fine shatter at the widest picture its 16-bit drifts take and just past
// it (where the plain path draws), must still give the plain paths' bytes.
TEST(BreakupFastPaths, ScatterAndFineShatterAtTheirLimits) {
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{102, 38},  {14, 6},    {10, 4},    {32768, 2},
                          {32770, 2}, {2, 65536}, {4, 70000}, {70000, 4}};
    std::vector<int> order;
    for (int elapsed = 0; elapsed <= 1000; elapsed += 29) {
        order.push_back(elapsed);
    }
    order.insert(order.end(), {1, 498, 500, 502, 999, 1000});
    for (const Size& size : sizes) {
        const std::size_t count = std::size_t(size.w) * size.h;
        const std::vector<Pixel> from = noise(count, 4), to = noise(count, 5);
        for (int slot : {29, 33}) {
            SCOPED_TRACE("slot " + std::to_string(slot) + " on " + std::to_string(size.w) + "x" +
                         std::to_string(size.h));
            EffectRegistry::Options plainOptions = fixedOptions();
            plainOptions.pixelPath = PixelPath::Plain;
            TransitionRun fast(size.w, size.h, from, to, fixedOptions());
            TransitionRun plain(size.w, size.h, from, to, plainOptions);
            fast.begin(slot);
            plain.begin(slot);
            for (int elapsed : order) {
                ASSERT_EQ(fast.frame(slot, elapsed, 1000), plain.frame(slot, elapsed, 1000))
                    << "elapsed " << elapsed;
            }
            fast.end(slot);
            plain.end(slot);
        }
    }
}

// Each kernel of the swirl's fast path (the widest the processor has, AVX2
// and the scalar one) against the plain path, on sizes whose tiles end part
// way across and down, whose centre column is odd or at 0, tall ones, and
// single rows and columns: tiles wholly outside, wholly inside and on the
// outline all come round as the swirl grows.
TEST(BreakupFastPaths, SwirlKernelsWriteThePlainPathsBytes) {
    struct Size {
        int w, h;
    };
    const Size sizes[] = {{320, 240}, {161, 119}, {96, 128}, {47, 170},
                          {33, 9},    {17, 1},    {1, 17},   {3, 2}};
    std::vector<int> progress;
    for (int elapsed = 0; elapsed < 1000; elapsed += 29) {
        progress.push_back(elapsed);
    }
    progress.insert(progress.end(), {999, 1000});
    const SwirlAway::Kernel kernels[] = {SwirlAway::Kernel::Widest, SwirlAway::Kernel::Avx2,
                                         SwirlAway::Kernel::Scalar};
    for (const Size& size : sizes) {
        const std::size_t count = std::size_t(size.w) * size.h;
        const std::vector<Pixel> from = noise(count, 4), to = noise(count, 5);
        std::vector<Pixel> expected(count), actual(count);
        PictureFrameBlock block;
        block.from = from.data();
        block.to = to.data();
        block.width = size.w;
        block.height = size.h;
        block.duration = 1000;
        SwirlAway plain(PixelPath::Plain);
        block.out = expected.data();
        plain.begin(block);
        for (SwirlAway::Kernel kernel : kernels) {
            SCOPED_TRACE("kernel " + std::to_string(static_cast<int>(kernel)) + " on " +
                         std::to_string(size.w) + "x" + std::to_string(size.h));
            SwirlAway fast(PixelPath::Fast, kernel);
            block.out = actual.data();
            fast.begin(block);
            for (int elapsed : progress) {
                block.elapsed = elapsed;
                block.out = expected.data();
                plain.frame(block);
                block.out = actual.data();
                fast.frame(block);
                ASSERT_EQ(actual, expected) << "elapsed " << elapsed;
            }
            fast.end(block);
        }
        plain.end(block);
    }
}

}  // namespace
}  // namespace effects
