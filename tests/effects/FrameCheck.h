#pragma once

#include <gtest/gtest.h>

#include <functional>

#include "TransitionFixture.h"

namespace effects::testing {

// What the transitions' tests fill `out` with before a frame: a pixel no
// picture holds, so a pixel the frame left alone shows.
inline constexpr Pixel STALE = 0x12345678;

// Where each output pixel of a frame must come from, by memory row and column.
using Expected = std::function<Pixel(int row, int column)>;

// Checks every pixel of the run's output; reports the first few that differ.
inline void expectPixels(const TransitionRun& run, const Expected& expected) {
    int wrong = 0;
    for (int row = 0; row < run.height && wrong < 5; ++row) {
        for (int column = 0; column < run.width && wrong < 5; ++column) {
            const Pixel want = expected(row, column);
            if (run.at(row, column) != want) {
                ADD_FAILURE() << "row " << row << " column " << column << ": got " << std::hex
                              << run.at(row, column) << ", want " << want;
                ++wrong;
            }
        }
    }
}

// The registry options of a reproducible run: fixed seeds and seed clock.
inline EffectRegistry::Options fixedOptions(std::uint32_t clock = 1234,
                                            std::uint32_t playSeed = 1) {
    return {.seed = 7, .playSeed = playSeed, .seedClock = SeedClock::fixed(clock)};
}

}  // namespace effects::testing
