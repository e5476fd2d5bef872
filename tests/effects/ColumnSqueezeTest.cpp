#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "effects/ColumnSqueeze.h"

namespace effects {
namespace {

// The squeeze of the pinch warps and side doors steps four columns at once
// where the processor allows; the plain column-by-column code is the
// reference. Columns come from two pictures, neighbouring or scattered
// source columns, with insets from none to beyond half the height (an empty
// run), over ranges that leave part of a tile at either end.
TEST(ColumnSqueeze, FastAndPlainGiveTheSameFrame) {
    const struct {
        int w, h, first, end;
    } cases[] = {
        {64, 48, 0, 64}, {801, 37, 3, 800}, {40, 1, 0, 40}, {35, 90, 2, 35}, {17, 5, 0, 17}};
    std::mt19937 random(9);
    for (const auto& c : cases) {
        const std::size_t count = std::size_t(c.w) * c.h;
        std::vector<Pixel> from(count), to(count);
        for (Pixel& p : from) {
            p = random();
        }
        for (Pixel& p : to) {
            p = random();
        }
        std::vector<ColumnSource> sources(static_cast<std::size_t>(c.w));
        for (int x = 0; x < c.w; ++x) {
            const std::vector<Pixel>& picture = random() % 3 == 0 ? to : from;
            const int column = random() % 2 == 0 ? x : static_cast<int>(random() % c.w);
            sources[static_cast<std::size_t>(x)] = {picture.data() + column,
                                                    static_cast<int>(random() % (c.h / 2 + 3))};
        }
        std::vector<Pixel> fast(count, 0x12345678), plain(count, 0x12345678);
        squeezeColumns(fast.data(), c.w, c.h, sources.data(), c.first, c.end, PixelPath::Fast);
        squeezeColumns(plain.data(), c.w, c.h, sources.data(), c.first, c.end, PixelPath::Plain);
        EXPECT_EQ(fast, plain) << c.w << "x" << c.h;
    }
}

}  // namespace
}  // namespace effects
