#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "FrameChecks.h"
#include "TransitionFixture.h"

namespace effects {
namespace {

using testing::COLOUR_BYTES;
using testing::FROM_TAG;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::TransitionRun;

constexpr Pixel UNWRITTEN = 0x12345678;

// Stages are even and wider than high, but a transition must still write
// every pixel of odd, flat, tall and tiny frames, and stay inside them.
TEST(TransitionCoverage, OddFlatTallAndTinyFramesAreWrittenWhole) {
    const int slots[] = {35, 48, 86, 89, 90, 95, 96, 97};
    const struct {
        int w, h;
    } sizes[] = {{1, 1},  {2, 2},  {3, 3},  {10, 6}, {6, 10},
                 {31, 7}, {7, 31}, {64, 4}, {4, 64}, {16, 16}};
    for (const auto& size : sizes) {
        const OriginPicture from(size.w, size.h, FROM_TAG), to(size.w, size.h, TO_TAG);
        for (int slot : slots) {
            TransitionRun run(size.w, size.h, from.pixels, to.pixels);
            run.begin(slot);
            for (int elapsed = 0; elapsed <= 1000; elapsed += 10) {
                std::fill(run.out.begin(), run.out.end(), UNWRITTEN);
                run.frame(slot, elapsed, 1000);
                for (std::size_t i = 0; i < run.out.size(); ++i) {
                    // Blends and lids keep the fourth byte: compare colours.
                    ASSERT_NE(run.out[i] & COLOUR_BYTES, UNWRITTEN & COLOUR_BYTES)
                        << "slot " << slot << ", " << size.w << "x" << size.h << " at " << elapsed
                        << ", pixel " << i;
                }
            }
            run.end(slot);
        }
    }
}

}  // namespace
}  // namespace effects
