#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "FrameChecks.h"
#include "TransitionFixture.h"

namespace effects::testing {

// What the transitions' tests fill `out` with before a frame: a pixel no
// picture holds, so a pixel the frame left alone shows.
inline constexpr Pixel STALE = 0x12345678;

// Where each output pixel of a frame must come from, by memory row and column.
using Expected = std::function<Pixel(int row, int column)>;

// Checks every pixel of the run's output; reports the first few that differ.
inline void expectPixels(const TransitionRun& run, const Expected& expected) {
    expectPixels(run.out, run.width, run.height, expected);
}

// The registry options of a reproducible run: fixed seeds and seed clock.
inline EffectRegistry::Options fixedOptions(std::uint32_t clock = 1234,
                                            std::uint32_t playSeed = 1) {
    return {.seed = 7, .playSeed = playSeed, .seedClock = SeedClock::fixed(clock)};
}

}  // namespace effects::testing
