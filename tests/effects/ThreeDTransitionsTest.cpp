#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "TransitionFixture.h"
#include "effects/RandomGenerator.h"
#include "effects/TileFlight3D.h"
#include "render3d/TransitionScene.h"

namespace effects {
namespace {

using testing::TransitionRun;

// Pictures whose colour says where each pixel is: red the column, green the
// row (both as ramps from 0 to 255), blue which picture. Smooth ramps
// survive the 512 x 512 textures the 3D transitions show the pictures
// through, so a frame can be read back as "which picture, which place".
constexpr Pixel FROM_BLUE = 0x40;
constexpr Pixel TO_BLUE = 0xC0;

Pixel rampPixel(int row, int column, int width, int height, Pixel blue) {
    const Pixel red = Pixel((column * 255 + (width - 1) / 2) / (width - 1));
    const Pixel green = Pixel((row * 255 + (height - 1) / 2) / (height - 1));
    return red << 16 | green << 8 | blue;
}

struct RampPicture {
    int width, height;
    std::vector<Pixel> pixels;

    RampPicture(int w, int h, Pixel blue) : width(w), height(h), pixels(std::size_t(w) * h) {
        for (int row = 0; row < h; ++row) {
            for (int column = 0; column < w; ++column) {
                pixels[std::size_t(row) * w + column] = rampPixel(row, column, w, h, blue);
            }
        }
    }
};

struct Misplaced {
    int pixels = 0;        // of another picture, or further off than the tolerance
    double largest = 0.0;  // largest distance of the others from their place, in pixels
};

// How well a frame shows one ramp picture where it belongs.
Misplaced misplaced(const std::vector<Pixel>& frame, int width, int height, Pixel blue,
                    double tolerance) {
    Misplaced result;
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            const Pixel p = frame[std::size_t(row) * width + column];
            if ((p & 0xFF) != blue) {
                ++result.pixels;
                continue;
            }
            const double x = (p >> 16 & 0xFF) * (width - 1) / 255.0;
            const double y = (p >> 8 & 0xFF) * (height - 1) / 255.0;
            const double off = std::max(std::abs(x - column), std::abs(y - row));
            result.largest = std::max(result.largest, off);
            if (off > tolerance) {
                ++result.pixels;
            }
        }
    }
    return result;
}

struct Size {
    int width, height;
};
// 4:3, 5:4 and 16:9 outputs; none maps whole pixels onto whole texels.
constexpr Size SIZES[] = {{320, 240}, {90, 72}, {320, 180}};

// How many pixels of a frame may show the wrong picture or stray further
// than POSITION_TOLERANCE from their place, and why.
enum class Allowance {
    // A single panel or strips whose edges are the picture's own edges.
    None,
    // Seven tumbles in single precision leave a corner pixel uncovered.
    Corner,
    // Blocks placed in single precision (turned by whole turns, or put side
    // by side by sums of sixths) can leave a seam one pixel wide between
    // neighbours or along the border: at most one row and one column's
    // worth.
    BlockSeams,
    // The cubes close up sideways after a quarter turn: a seam one pixel
    // wide may stay open between two columns of side faces.
    ColumnSeam,
};

int allowed(Allowance allowance, const Size& size) {
    switch (allowance) {
        case Allowance::None:
            return 0;
        case Allowance::Corner:
            return 4;
        case Allowance::BlockSeams:
            return size.width + size.height;
        case Allowance::ColumnSeam:
            return size.height;
    }
    return 0;
}

// Nearest-texel sampling of a 512 x 512 texture places a pixel within a
// texel of where it belongs (under one output pixel at these sizes), and
// the ramps quantise positions to 1.25 pixels at a width of 320.
constexpr double POSITION_TOLERANCE = 2.0;

enum class Shows { From, To };

struct EndCase {
    int slot;
    int elapsed;  // of 1000
    Shows shows;
    Allowance allowance;
};

// The first frame of every 3D transition shows the outgoing picture in
// place; the last frames of those that end on their pieces show the
// incoming one, in place and unmirrored (whatever face it is drawn on).
TEST(ThreeDTransitionEnds, ShowThePicturesInPlace) {
    const EndCase cases[] = {
        // PlaneTurn3D: turns about the vertical axis (right, left), the
        // horizontal axis (up, down), the diagonal, the loop, the dive.
        {0, 0, Shows::From, Allowance::None},
        {0, 1000, Shows::To, Allowance::None},
        {1, 0, Shows::From, Allowance::None},
        {1, 1000, Shows::To, Allowance::None},
        {2, 1000, Shows::To, Allowance::None},
        {3, 1000, Shows::To, Allowance::None},
        {4, 1000, Shows::To, Allowance::None},
        {5, 1000, Shows::To, Allowance::None},
        {6, 0, Shows::From, Allowance::None},
        {6, 1000, Shows::To, Allowance::Corner},
        // BlockTurn3D
        {7, 0, Shows::From, Allowance::BlockSeams},
        {7, 1000, Shows::To, Allowance::BlockSeams},
        {8, 1000, Shows::To, Allowance::BlockSeams},
        {9, 1000, Shows::To, Allowance::BlockSeams},
        {10, 1000, Shows::To, Allowance::BlockSeams},
        {11, 0, Shows::From, Allowance::BlockSeams},
        {11, 1000, Shows::To, Allowance::BlockSeams},
        {12, 1000, Shows::To, Allowance::BlockSeams},
        {13, 1000, Shows::To, Allowance::BlockSeams},
        // CubeShuffle3D: the incoming picture from the side faces.
        {14, 0, Shows::From, Allowance::None},
        {14, 1000, Shows::To, Allowance::ColumnSeam},
        // StripSpread3D: the outgoing halves in place, the incoming halves
        // closed up.
        {15, 0, Shows::From, Allowance::None},
        {16, 1000, Shows::To, Allowance::None},
        // StripFold3D, TileFlight3D
        {17, 0, Shows::From, Allowance::None},
        {18, 0, Shows::From, Allowance::None},
        {21, 0, Shows::From, Allowance::None},
    };
    for (const Size& size : SIZES) {
        const RampPicture from(size.width, size.height, FROM_BLUE);
        const RampPicture to(size.width, size.height, TO_BLUE);
        for (const EndCase& c : cases) {
            SCOPED_TRACE("slot " + std::to_string(c.slot) + " at " + std::to_string(c.elapsed) +
                         "/1000, " + std::to_string(size.width) + "x" +
                         std::to_string(size.height));
            TransitionRun run(size.width, size.height, from.pixels, to.pixels);
            run.begin(c.slot);
            const Misplaced m =
                misplaced(run.frame(c.slot, c.elapsed, 1000), size.width, size.height,
                          c.shows == Shows::From ? FROM_BLUE : TO_BLUE, POSITION_TOLERANCE);
            run.end(c.slot);
            EXPECT_LE(m.pixels, allowed(c.allowance, size));
            EXPECT_LE(m.largest, POSITION_TOLERANCE);
        }
    }
}

// Where every piece has left the screen (or not yet arrived), the frame is
// the background picture itself.
TEST(ThreeDTransitionEnds, WithEveryPieceGoneTheFrameIsThePicture) {
    const struct {
        int slot, elapsed;
        Shows shows;
    } cases[] = {
        {15, 1000, Shows::To},  // strips spread apart off the screen
        {16, 0, Shows::From},   // strips still off the screen
        {17, 1000, Shows::To},  // every strip folded away
        {18, 1000, Shows::To},  // every tile flown off, each way
        {19, 1000, Shows::To}, {20, 1000, Shows::To}, {21, 1000, Shows::To},
    };
    for (const Size& size : SIZES) {
        const RampPicture from(size.width, size.height, FROM_BLUE);
        const RampPicture to(size.width, size.height, TO_BLUE);
        for (const auto& c : cases) {
            SCOPED_TRACE("slot " + std::to_string(c.slot) + ", " + std::to_string(size.width) +
                         "x" + std::to_string(size.height));
            TransitionRun run(size.width, size.height, from.pixels, to.pixels);
            run.begin(c.slot);
            EXPECT_EQ(run.frame(c.slot, c.elapsed, 1000),
                      c.shows == Shows::From ? from.pixels : to.pixels);
            run.end(c.slot);
        }
    }
}

// Whether a rectangle of the frame (columns x0..x1, rows y0..y1, exclusive
// ends) shows the picture in place.
bool showsInPlace(const std::vector<Pixel>& frame, const Size& size, Pixel blue, int x0, int x1,
                  int y0, int y1) {
    std::vector<Pixel> part(frame);
    for (int row = 0; row < size.height; ++row) {
        for (int column = 0; column < size.width; ++column) {
            if (row < y0 || row >= y1 || column < x0 || column >= x1) {
                // Outside the rectangle: the picture itself, so it passes.
                part[std::size_t(row) * size.width + column] =
                    rampPixel(row, column, size.width, size.height, blue);
            }
        }
    }
    return misplaced(part, size.width, size.height, blue, POSITION_TOLERANCE).pixels == 0;
}

// The row of eleven blocks turns from the side its direction names: at 30 %
// the first block is mid-turn and the last has not moved.
TEST(BlockTurn3D, TurnsFromTheSideItsDirectionNames) {
    const Size size{330, 240};
    const RampPicture from(size.width, size.height, FROM_BLUE);
    const RampPicture to(size.width, size.height, TO_BLUE);
    const int block = size.width / 11;
    const int left[2] = {4, block - 4}, right[2] = {size.width - block + 4, size.width - 4};
    const struct {
        int slot;
        const int* first;
        const int* last;
    } cases[] = {{7, left, right}, {8, right, left}};
    for (const auto& c : cases) {
        SCOPED_TRACE("slot " + std::to_string(c.slot));
        TransitionRun run(size.width, size.height, from.pixels, to.pixels);
        run.begin(c.slot);
        const std::vector<Pixel>& frame = run.frame(c.slot, 300, 1000);
        EXPECT_TRUE(showsInPlace(frame, size, FROM_BLUE, c.last[0], c.last[1], 4, 236));
        EXPECT_FALSE(showsInPlace(frame, size, FROM_BLUE, c.first[0], c.first[1], 4, 236));
        run.end(c.slot);
    }
}

// Nine tiles across and as many rows as keep them about square; the order
// they leave in is one draw of the play generator per tile.
TEST(TileFlight3D, CutsNineTilesAcrossWithRowsByAspect) {
    const struct {
        int width, height, rows;
    } cases[] = {
        {64, 48, 6},   // 4:3
        {64, 36, 5},   // 16:9
        {80, 64, 7},   // 5:4
        {100, 10, 0},  // wider than 9:1: no tiles, the incoming picture at once
        // So tall that 9 x 90 tiles would outnumber the scene's 400 objects:
        // as many rows as it holds.
        {10, 100, 44},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        const std::size_t count = std::size_t(c.width) * c.height;
        const std::vector<Pixel> from(count, FROM_BLUE), to(count, TO_BLUE);
        std::vector<Pixel> out(count, 0x12345678);
        SharedScene shared;
        const render3d::TransitionScene& scene = shared.scene;
        RandomGenerator random(77);
        TileFlight3D tiles(shared, random);
        PictureFrameBlock block;
        block.from = from.data();
        block.to = to.data();
        block.out = out.data();
        block.width = c.width;
        block.height = c.height;
        block.duration = 100;
        block.direction = DirUp;
        tiles.begin(block);
        EXPECT_EQ(scene.objectCount(), 9 * c.rows);
        for (int object = 1; object <= scene.objectCount(); ++object) {
            EXPECT_EQ(scene.object(object).triangles.size(), 2u);
        }
        RandomGenerator expected(77);
        for (int draw = 0; draw < 9 * c.rows; ++draw) {
            expected.next();
        }
        EXPECT_EQ(random.next(), expected.next());
        block.elapsed = 100;
        tiles.frame(block);
        EXPECT_EQ(out, to);
        tiles.end(block);
        EXPECT_FALSE(scene.isOpen());
    }
}

// The same seed flies the same tiles the same way.
TEST(TileFlight3D, OrderFollowsThePlaySeed) {
    const Size size{72, 54};
    const RampPicture from(size.width, size.height, FROM_BLUE);
    const RampPicture to(size.width, size.height, TO_BLUE);
    auto midFrame = [&](std::uint32_t playSeed) {
        TransitionRun run(size.width, size.height, from.pixels, to.pixels,
                          {.seed = 7, .playSeed = playSeed});
        run.begin(18);
        std::vector<Pixel> frame = run.frame(18, 300, 1000);
        run.end(18);
        return frame;
    };
    EXPECT_EQ(midFrame(5), midFrame(5));
    EXPECT_NE(midFrame(5), midFrame(6));
}

// A Frame on a slot that had no Begin (or after its End) has no textures:
// the turning slab and the cube shuffle show black, the others leave the
// output alone.
TEST(SceneTransitions, FramesWithoutTexturesDrawAsDocumented) {
    const Size size{40, 30};
    const RampPicture from(size.width, size.height, FROM_BLUE);
    const RampPicture to(size.width, size.height, TO_BLUE);
    const std::vector<Pixel> black(std::size_t(size.width) * size.height, 0);
    for (int slot : {0, 7, 14, 15, 17, 18}) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        const bool blackFrame = slot == 0 || slot == 14;
        TransitionRun run(size.width, size.height, from.pixels, to.pixels);
        const std::vector<Pixel> untouched = run.out;
        EXPECT_EQ(run.frame(slot, 500, 1000), blackFrame ? black : untouched);
        run.begin(slot);
        run.end(slot);
        run.out = untouched;
        EXPECT_EQ(run.frame(slot, 500, 1000), blackFrame ? black : untouched);
    }
}

// Frames are drawn into the buffer each Frame names, at the size Begin saw;
// a frame of another size is not drawn at all (the scene would draw past
// its end).
TEST(SceneTransitions, DrawIntoEachFramesBufferAndRefuseOtherSizes) {
    const Size size{64, 48};
    const RampPicture from(size.width, size.height, FROM_BLUE);
    const RampPicture to(size.width, size.height, TO_BLUE);
    for (int slot : {0, 7, 14, 15, 17, 18}) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        TransitionRun reference(size.width, size.height, from.pixels, to.pixels);
        reference.begin(slot);
        const std::vector<Pixel> expected = reference.frame(slot, 400, 1000);
        reference.end(slot);

        TransitionRun run(size.width, size.height, from.pixels, to.pixels);
        run.begin(slot);
        const std::vector<Pixel> beginBuffer = run.out;
        std::vector<Pixel> other(run.out.size(), 0x12345678);
        PictureFrameData data = run.data(400, 1000);
        data.out = other.data();
        run.registry.runPicture(slot, EFFECT_FRAME, &data);
        EXPECT_EQ(other, expected);
        EXPECT_EQ(run.out, beginBuffer);

        const std::size_t smallCount = std::size_t(size.width / 2) * (size.height / 2);
        std::vector<Pixel> small(smallCount, 0x12345678);
        const std::vector<Pixel> smallFrom(smallCount, FROM_BLUE), smallTo(smallCount, TO_BLUE);
        PictureFrameData smaller{0,
                                 smallFrom.data(),
                                 smallTo.data(),
                                 small.data(),
                                 size.width / 2,
                                 size.height / 2,
                                 400,
                                 1000};
        run.registry.runPicture(slot, EFFECT_FRAME, &smaller);
        const bool blackFrame = slot == 0 || slot == 14;
        EXPECT_EQ(small, std::vector<Pixel>(smallCount, blackFrame ? 0 : 0x12345678));
        run.end(slot);
    }
}

// Tiny, very wide (no tile rows) and very tall (more tile rows than the
// scene holds) outputs: every 3D slot draws inside the frame (the sanitizer
// build watches), and those that end with every piece gone still end on the
// incoming picture. Stages have even sizes.
TEST(SceneTransitions, ExtremeSizesDrawInsideTheFrame) {
    const Size sizes[] = {{2, 2}, {1000, 2}, {1000, 4}, {4, 1000}};
    for (const Size& size : sizes) {
        const std::size_t count = std::size_t(size.width) * size.height;
        const std::vector<Pixel> from(count, FROM_BLUE), to(count, TO_BLUE);
        TransitionRun run(size.width, size.height, from, to);
        for (int slot = 0; slot <= 21; ++slot) {
            SCOPED_TRACE("slot " + std::to_string(slot) + " at " + std::to_string(size.width) +
                         "x" + std::to_string(size.height));
            run.begin(slot);
            run.frame(slot, 0, 1000);
            run.frame(slot, 500, 1000);
            const std::vector<Pixel>& last = run.frame(slot, 1000, 1000);
            if (slot == 15 || slot >= 17) {
                EXPECT_EQ(last, to);
            }
            run.end(slot);
        }
    }
}

// Two 3D slots begun at once share the registry's one scene: the later
// Begin takes it over (set up for its own, larger output), and the earlier
// transition then draws no pieces, never into the scene's buffer, and its
// End leaves the scene to the later one.
TEST(SceneTransitions, ALaterBeginTakesTheSceneOver) {
    const RampPicture smallFrom(64, 48, FROM_BLUE), smallTo(64, 48, TO_BLUE);
    const RampPicture from(128, 96, FROM_BLUE), to(128, 96, TO_BLUE);
    TransitionRun reference(128, 96, from.pixels, to.pixels);
    reference.begin(7);
    const std::vector<Pixel> expected = reference.frame(7, 400, 1000);
    reference.end(7);

    TransitionRun run(128, 96, from.pixels, to.pixels);
    std::vector<Pixel> smallOut(64 * 48, 0x12345678);
    PictureFrameData small{
        0, smallFrom.pixels.data(), smallTo.pixels.data(), smallOut.data(), 64, 48, 0, 100};
    run.registry.runPicture(0, EFFECT_BEGIN, &small);
    run.begin(7);
    const std::vector<Pixel> laterOut = run.out;
    small.elapsed = 400;
    small.duration = 1000;
    run.registry.runPicture(0, EFFECT_FRAME, &small);
    EXPECT_EQ(smallOut, std::vector<Pixel>(64 * 48, 0));  // the slab's black, no slab
    EXPECT_EQ(run.out, laterOut);
    run.registry.runPicture(0, EFFECT_END, nullptr);
    EXPECT_EQ(run.frame(7, 400, 1000), expected);
    run.end(7);
}

}  // namespace
}  // namespace effects
