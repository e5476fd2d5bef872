#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "TransitionFixture.h"
#include "effects/PageEffects.h"

namespace effects {
namespace {

using testing::FROM_TAG;
using testing::fromAt;
using testing::OriginPicture;
using testing::TO_TAG;
using testing::TransitionRun;

constexpr int CURL_WHOLE = 26;
constexpr int ROLL_WHOLE = 24;
constexpr int CURL_QUARTERS = 28;
constexpr int ROLL_QUARTERS = 27;

std::uint8_t tagOf(Pixel p) {
    return static_cast<std::uint8_t>(p >> 24);
}

PictureFrameBlock blockFor(int parameter, std::vector<Pixel>* pictures = nullptr, int w = 0,
                           int h = 0) {
    PictureFrameBlock block;
    block.parameter = parameter;
    if (pictures != nullptr) {
        block.from = pictures[0].data();
        block.to = pictures[1].data();
        block.out = pictures[2].data();
        block.width = w;
        block.height = h;
        block.duration = 100;
    }
    return block;
}

TEST(PageTransitions, EachWholePictureUseTakesTheNextPresetAndTheListWraps) {
    const struct {
        PageEffect::Fold fold;
        std::size_t presets;
    } folds[] = {{PageEffect::Fold::Curl, 14}, {PageEffect::Fold::Roll, 13}};
    for (const auto& f : folds) {
        PageEffect effect(f.fold);
        std::vector<Pixel> pictures[3] = {std::vector<Pixel>(64 * 48), std::vector<Pixel>(64 * 48),
                                          std::vector<Pixel>(64 * 48)};
        for (std::size_t use = 0; use < f.presets + 2; ++use) {
            EXPECT_EQ(effect.presetIndex(), use % f.presets);
            effect.begin(blockFor(1, pictures, 64, 48));
            // Frames do not move the list on; only the End of a use does.
            PictureFrameBlock frame = blockFor(1, pictures, 64, 48);
            frame.elapsed = 50;
            effect.frame(frame);
            EXPECT_EQ(effect.presetIndex(), use % f.presets);
            effect.end(blockFor(1));
            // A second End releases nothing more and takes no preset.
            effect.end(blockFor(1));
        }
        // A quarter use and a use whose Begin had no pictures: the first takes
        // no preset, the second still counts as a use.
        const std::size_t before = effect.presetIndex();
        effect.begin(blockFor(0, pictures, 64, 48));
        effect.end(blockFor(0));
        EXPECT_EQ(effect.presetIndex(), before);
        effect.begin(blockFor(1));
        effect.end(blockFor(1));
        EXPECT_EQ(effect.presetIndex(), (before + 1) % f.presets);
    }
}

// Each use of a whole-picture slot peels along its preset's direction
// (dy counts upward on screen, rows are bottom-up): halfway through, the
// corner the fold started from shows the incoming picture and the corner it
// heads for is still the untouched outgoing one.
TEST(PageTransitions, WholePicturePeelsAlongEachPresetInTurn) {
    struct Direction {
        int dx, dy;
    };
    const std::vector<Direction> curl = {{2, 1},   {-4, -3}, {1, 3},  {2, -1}, {3, 5},
                                         {-7, -1}, {1, 1},   {7, -1}, {3, 1},  {1, 1},
                                         {3, 5},   {7, -1},  {2, 6},  {10, 1}};
    const std::vector<Direction> roll = {{2, 1},  {-4, 3}, {5, -3}, {-2, 1}, {1, 1},
                                         {2, -1}, {-3, 1}, {7, -1}, {3, 1},  {-5, 1},
                                         {2, 1},  {-2, 1}, {10, 1}};
    const int w = 160, h = 120;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    for (const auto& [slot, directions] :
         {std::pair{CURL_WHOLE, curl}, std::pair{ROLL_WHOLE, roll}}) {
        TransitionRun run(w, h, from.pixels, to.pixels);
        for (std::size_t use = 0; use < directions.size() + 1; ++use) {
            const Direction d = directions[use % directions.size()];
            SCOPED_TRACE("slot " + std::to_string(slot) + ", use " + std::to_string(use));
            const int startColumn = d.dx > 0 ? 0 : w - 1;
            const int startRow = d.dy > 0 ? 0 : h - 1;
            const int endColumn = w - 1 - startColumn;
            const int endRow = h - 1 - startRow;
            run.begin(slot);
            run.frame(slot, 500, 1000);
            EXPECT_EQ(run.at(startRow, startColumn), to.at(startRow, startColumn));
            EXPECT_EQ(run.at(endRow, endColumn), fromAt(endRow, endColumn));
            run.end(slot);
        }
    }
}

// A picture of white quarters, each with its own tag in the fourth byte,
// which the transitions carry through untouched: every output pixel tells
// which picture and which quarter it came from, and a shade that carried
// past 255 would show in that byte.
struct QuarterPictures {
    int w, h;
    std::vector<Pixel> from, to;

    static std::uint8_t quarterTag(int row, int column, int w, int h) {
        return static_cast<std::uint8_t>(0xA1 + (row >= h / 2 ? 2 : 0) + (column >= w / 2 ? 1 : 0));
    }

    QuarterPictures(int width, int height)
        : w(width), h(height), from(std::size_t(w) * h), to(std::size_t(w) * h) {
        for (int row = 0; row < h; ++row) {
            for (int column = 0; column < w; ++column) {
                from[std::size_t(row) * w + column] =
                    Pixel{quarterTag(row, column, w, h)} << 24 | 0xFFFFFF;
                to[std::size_t(row) * w + column] = Pixel{TO_TAG} << 24 | 0xFFFFFF;
            }
        }
    }
};

TEST(PageTransitions, QuartersPeelFromTheCentreTowardTheirOwnCorners) {
    const int w = 200, h = 160;
    const QuarterPictures pictures(w, h);
    for (int slot : {CURL_QUARTERS, ROLL_QUARTERS}) {
        TransitionRun run(w, h, pictures.from, pictures.to);
        run.begin(slot);
        run.frame(slot, 400, 1000);
        run.end(slot);
        // Quarter by quarter: (first row, first column) of its inner corner
        // and the way toward its outer corner.
        const struct {
            int row, column, rowStep, columnStep;
        } quarters[] = {{h / 2 - 1, w / 2 - 1, -1, -1},
                        {h / 2 - 1, w / 2, -1, 1},
                        {h / 2, w / 2 - 1, 1, -1},
                        {h / 2, w / 2, 1, 1}};
        for (const auto& q : quarters) {
            SCOPED_TRACE("slot " + std::to_string(slot) + ", quarter at row " +
                         std::to_string(q.row) + " column " + std::to_string(q.column));
            const std::uint8_t own = QuarterPictures::quarterTag(q.row, q.column, w, h);
            // From the inner corner along the diagonal: uncovered first, then
            // paper of this quarter only, never uncovered again.
            int uncovered = 0;
            bool paper = false;
            for (int i = 0; i < h / 2; ++i) {
                const Pixel p = run.at(q.row + i * q.rowStep, q.column + i * q.columnStep);
                if (tagOf(p) == TO_TAG) {
                    EXPECT_FALSE(paper) << "uncovered again at step " << i;
                    ++uncovered;
                } else {
                    EXPECT_EQ(tagOf(p), own) << "at step " << i;
                    paper = true;
                }
            }
            EXPECT_GT(uncovered, 0);
            EXPECT_TRUE(paper);
            // The outer corner is still flat and untouched.
            const int outerRow = q.rowStep > 0 ? h - 1 : 0;
            const int outerColumn = q.columnStep > 0 ? w - 1 : 0;
            EXPECT_EQ(run.at(outerRow, outerColumn),
                      pictures.from[std::size_t(outerRow) * w + outerColumn]);
        }
    }
}

// Every pixel of every frame is written, from the right picture and quarter,
// without a shade carrying into the next byte, at awkward sizes too.
TEST(PageTransitions, EveryFrameWritesEveryPixelFromItsOwnPage) {
    const struct { int w, h; } sizes[] = {{200, 160}, {101, 77}, {3, 2}, {1, 1}, {640, 8}};
    for (const auto& size : sizes) {
        const QuarterPictures pictures(size.w, size.h);
        for (int slot : {CURL_WHOLE, ROLL_WHOLE, CURL_QUARTERS, ROLL_QUARTERS}) {
            TransitionRun run(size.w, size.h, pictures.from, pictures.to);
            for (int use = 0; use < 3; ++use) {
                run.begin(slot);
                for (int elapsed = 10; elapsed < 1000; elapsed += 45) {
                    SCOPED_TRACE("slot " + std::to_string(slot) + " at " + std::to_string(size.w) +
                                 "x" + std::to_string(size.h) + ", use " + std::to_string(use) +
                                 ", " + std::to_string(elapsed) + " ms");
                    std::fill(run.out.begin(), run.out.end(), Pixel{0x12345678});
                    run.frame(slot, elapsed, 1000);
                    int wrong = 0;
                    for (int row = 0; row < size.h && wrong < 3; ++row) {
                        for (int column = 0; column < size.w && wrong < 3; ++column) {
                            const std::uint8_t tag = tagOf(run.at(row, column));
                            const bool quarters = slot == CURL_QUARTERS || slot == ROLL_QUARTERS;
                            const std::uint8_t own =
                                QuarterPictures::quarterTag(row, column, size.w, size.h);
                            const bool fromOk = quarters ? tag == own : (tag & 0xF0) == 0xA0;
                            if (tag != TO_TAG && !fromOk) {
                                ADD_FAILURE() << "row " << row << " column " << column << ": "
                                              << std::hex << run.at(row, column);
                                ++wrong;
                            }
                        }
                    }
                }
                run.end(slot);
            }
        }
    }
}

// The fast pixel loops give the same bytes as the plain ones, for every
// preset, both kinds of use and sizes with short and odd runs.
TEST(PageTransitions, FastPixelLoopsMatchThePlainOnes) {
    const struct { int w, h; } sizes[] = {{200, 160}, {101, 77}, {333, 250}, {640, 8}, {9, 300}};
    for (const auto fold : {PageEffect::Fold::Curl, PageEffect::Fold::Roll}) {
        for (const auto& size : sizes) {
            const OriginPicture from(size.w, size.h, FROM_TAG), to(size.w, size.h, TO_TAG);
            std::vector<Pixel> fastOut(from.pixels.size()), plainOut(from.pixels.size());
            PageEffect fast(fold), plain(fold);
            plain.usePlainPixels(true);
            const auto blockOf = [&](std::vector<Pixel>& out, int parameter, int elapsed) {
                PictureFrameBlock block;
                block.from = from.pixels.data();
                block.to = to.pixels.data();
                block.out = out.data();
                block.width = size.w;
                block.height = size.h;
                block.elapsed = elapsed;
                block.duration = 1000;
                block.parameter = parameter;
                return block;
            };
            // Every preset once, then a quarter use.
            for (int use = 0; use < 15; ++use) {
                const int parameter = use < 14 ? 1 : 0;
                fast.begin(blockOf(fastOut, parameter, 0));
                plain.begin(blockOf(plainOut, parameter, 0));
                for (int elapsed = 37; elapsed < 1000; elapsed += 74) {
                    SCOPED_TRACE("fold " + std::to_string(static_cast<int>(fold)) + " at " +
                                 std::to_string(size.w) + "x" + std::to_string(size.h) + ", use " +
                                 std::to_string(use) + ", " + std::to_string(elapsed) + " ms");
                    fast.frame(blockOf(fastOut, parameter, elapsed));
                    plain.frame(blockOf(plainOut, parameter, elapsed));
                    ASSERT_EQ(fastOut, plainOut);
                }
                fast.end(blockOf(fastOut, parameter, 0));
                plain.end(blockOf(plainOut, parameter, 0));
            }
        }
    }
}

TEST(PageTransitions, ProgressDependsOnTheFractionOnlyAndFramesKeepToBeginsSize) {
    const int w = 120, h = 90;
    const OriginPicture from(w, h, FROM_TAG), to(w, h, TO_TAG);
    for (int slot : {CURL_WHOLE, ROLL_WHOLE, CURL_QUARTERS, ROLL_QUARTERS}) {
        SCOPED_TRACE("slot " + std::to_string(slot));
        TransitionRun run(w, h, from.pixels, to.pixels);
        run.begin(slot);
        const std::vector<Pixel> short_ = run.frame(slot, 300, 1000);
        EXPECT_EQ(run.frame(slot, 600, 2000), short_);
        EXPECT_NE(run.frame(slot, 601, 2000), short_);

        // A frame of a larger size than Begin saw would read past what Begin
        // laid out: it draws nothing.
        const OriginPicture bigFrom(2 * w, 2 * h, FROM_TAG), bigTo(2 * w, 2 * h, TO_TAG);
        std::vector<Pixel> bigOut(std::size_t(4) * w * h, 0x12345678);
        const PictureFrameData big{
            0, bigFrom.pixels.data(), bigTo.pixels.data(), bigOut.data(), 2 * w, 2 * h, 500, 1000};
        run.registry.runPicture(slot, EFFECT_FRAME, &big);
        EXPECT_EQ(bigOut, std::vector<Pixel>(bigOut.size(), 0x12345678));
        run.end(slot);
    }
}

}  // namespace
}  // namespace effects
