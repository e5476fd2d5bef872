#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "render3d/Resample.h"

namespace render3d {
namespace {

std::uint32_t grey(int value) {
    const auto v = static_cast<std::uint32_t>(value);
    return v << 16 | v << 8 | v;
}

std::vector<int> blues(const std::vector<std::uint32_t>& pixels) {
    std::vector<int> out;
    for (std::uint32_t p : pixels) {
        out.push_back(static_cast<int>(p & 0xFF));
    }
    return out;
}

TEST(ResampleImage, InterpolatesAlongARowAndTheLastColumnIsItsOwnNeighbour) {
    const std::vector<std::uint32_t> source{grey(0), grey(200)};
    std::vector<std::uint32_t> out(4);
    resampleImage({out.data(), 4, 1}, {source.data(), 2, 1});
    // Positions 0, 0.5, 1, 1.5: the last two sit on the last column.
    EXPECT_EQ(blues(out), (std::vector<int>{0, 100, 200, 200}));
}

TEST(ResampleImage, OneRowSourceIsItsOwnLowerNeighbour) {
    const std::vector<std::uint32_t> source{grey(10), grey(50), grey(90), grey(130)};
    std::vector<std::uint32_t> out(8 * 4);
    resampleImage({out.data(), 8, 4}, {source.data(), 4, 1});
    const std::vector<int> row{10, 30, 50, 70, 90, 110, 130, 130};
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(blues({out.begin() + y * 8, out.begin() + y * 8 + 8}), row) << "row " << y;
    }
}

TEST(ResampleImage, InterpolatesBetweenRows) {
    const std::vector<std::uint32_t> source{grey(0), grey(0), grey(100), grey(100)};
    std::vector<std::uint32_t> out(2 * 4);
    resampleImage({out.data(), 2, 4}, {source.data(), 2, 2});
    // Rows at 0, 0.5, 1 and 1.5 (the last row is its own neighbour).
    EXPECT_EQ(blues(out), (std::vector<int>{0, 0, 50, 50, 100, 100, 100, 100}));
}

TEST(ResampleImage, DifferencesShiftArithmetically) {
    // (0 - 201) * 0.5 in 16.16 is -100.5, which an arithmetic shift floors to -101.
    const std::vector<std::uint32_t> source{grey(201), grey(0)};
    std::vector<std::uint32_t> out(4);
    resampleImage({out.data(), 4, 1}, {source.data(), 2, 1});
    EXPECT_EQ(blues(out), (std::vector<int>{201, 100, 0, 0}));
}

TEST(ResampleImage, ChannelsAreIndependentAndTheFourthByteIsLeftAlone) {
    const std::vector<std::uint32_t> source{0x11203040u, 0x22608000u};
    std::vector<std::uint32_t> out(4, 0x77000000u);
    resampleImage({out.data(), 4, 1}, {source.data(), 2, 1});
    EXPECT_EQ(out[0], 0x77203040u);
    EXPECT_EQ(out[1], 0x77405820u);  // halfway: red 0x20..0x60, green 0x30..0x80, blue 0x40..0x00
    EXPECT_EQ(out[3], 0x77608000u);
}

TEST(ResampleImage, SameSizeCopiesColours) {
    std::vector<std::uint32_t> source(5 * 3);
    for (std::size_t i = 0; i < source.size(); ++i) {
        source[i] = static_cast<std::uint32_t>(i * 0x010203);
    }
    std::vector<std::uint32_t> out(5 * 3);
    resampleImage({out.data(), 5, 3}, {source.data(), 5, 3});
    EXPECT_EQ(out, source);
}

TEST(ResampleImage, EmptyPicturesWriteNothing) {
    const std::vector<std::uint32_t> source{grey(9)};
    std::vector<std::uint32_t> out(4, 1u);
    resampleImage({out.data(), 2, 2}, {source.data(), 0, 1});
    resampleImage({out.data(), 0, 2}, {source.data(), 1, 1});
    resampleImage({nullptr, 2, 2}, {source.data(), 1, 1});
    EXPECT_EQ(out, (std::vector<std::uint32_t>(4, 1u)));
}

}  // namespace
}  // namespace render3d
