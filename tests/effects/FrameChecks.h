#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "effects/FrameBlocks.h"

namespace effects::testing {

inline constexpr Pixel COLOUR_BYTES = 0x00FFFFFF;

// Compares every pixel of a frame with what it must be; reports the first
// few that differ.
inline void expectPixels(const std::vector<Pixel>& out, int width, int height,
                         const std::function<Pixel(int row, int column)>& expected,
                         const std::string& what = "") {
    SCOPED_TRACE(what);
    int wrong = 0;
    for (int row = 0; row < height && wrong < 5; ++row) {
        for (int column = 0; column < width && wrong < 5; ++column) {
            const Pixel want = expected(row, column);
            const Pixel got = out[std::size_t(row) * width + column];
            if (got != want) {
                ADD_FAILURE() << "row " << row << " column " << column << ": got " << std::hex
                              << got << ", want " << want;
                ++wrong;
            }
        }
    }
}

// A line of `length` pixels squeezed into its middle with `inset` pixels of
// black on either side: output pixel j of the run shows source pixel
// j * length / (length - 2 * inset). `at(i)` reads the output line,
// `source(i)` what pixel i of the source line must look like there.
inline void expectSqueezedLine(const std::function<Pixel(int)>& at, int length, int inset,
                               const std::function<Pixel(int)>& source, const std::string& what) {
    SCOPED_TRACE(what + ", inset " + std::to_string(inset));
    const int n = length - 2 * inset;
    int wrong = 0;
    for (int i = 0; i < length && wrong < 5; ++i) {
        const Pixel want = i < inset || i >= inset + n ? 0 : source((i - inset) * length / n);
        if (at(i) != want) {
            ADD_FAILURE() << "pixel " << i << ": got " << std::hex << at(i) << ", want " << want;
            ++wrong;
        }
    }
}

}  // namespace effects::testing
