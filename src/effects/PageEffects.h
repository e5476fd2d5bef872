#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PaperRuns.h"

namespace effects {

// The page transitions: the outgoing picture comes off along a straight fold
// line that sweeps across it in direction (dx, dy) (dy counts upward on
// screen), bending over a cylinder of radius r and uncovering the incoming
// picture behind the fold. The lifted paper shows its back: a lit, washed-out
// mirror image of the picture.
//
// Curl: the page is folded back flat over itself; past the bend its back
// slides over the rest of the page at twice the speed of the fold, the way a
// sticker peels. Roll: the page winds up into a roll that travels with the
// fold and thickens as it takes up paper, from a quarter of R to R once it
// holds the whole page, shaded as a cylinder.
//
// Parameter 1 peels the whole picture with the next preset (dx, dy, R) of the
// handler's list, one preset per use; parameter 0 splits the picture into
// four quarters, each peeled toward its own outer corner. R is given for a
// 600-pixel-high stage and scales with the smaller side of the stage.
class PageEffect final : public PictureEffect {
  public:
    enum class Fold { Curl, Roll };

    struct Preset {
        int dx, dy, radius;
    };

    explicit PageEffect(Fold fold) : fold_(fold) {}

    // Builds the light and bend tables and lays out the pages for this size.
    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    // Moves on to the next preset after a whole-picture use; quarter uses
    // take no preset.
    int end(const PictureFrameBlock& block) override;

    // Keeps the pixel loops to their plain versions from the next Begin on,
    // for the tests that hold the fast ones to them.
    void usePlainPixels(bool plain) { plainOnly_ = plain; }

    // The preset the next whole-picture use takes.
    std::size_t presetIndex() const { return presetIndex_; }

    // One entry of the bend table: q = (c - s) / r, where s is a pixel's
    // distance along the direction and c that of the line where the paper
    // leaves the flat. t = r * tau is how far back along the direction the
    // shown paper lay; mul and add shade it as c * mul / 256 + add.
    struct Layer {
        std::int32_t tau = -1;  // 16.16; negative: no paper at this q
        std::uint16_t mul = 256;
        std::uint16_t add = 0;
    };
    struct BendEntry {
        Layer top;     // the outer, upper side of the bend (the paper's back)
        Layer inside;  // the inside of the bend, seen when the top has no paper
    };

    // One page: a rectangle of the picture peeled on its own.
    struct Page {
        int x0, y0, width, height;  // pixels
        std::int64_t ux, uy;        // unit direction, 16.16
        std::int64_t sMin, sMax;    // extent of the rectangle along the direction, 16.16
        std::int64_t radius;        // 16.16: the curl's radius, or the roll's final one
        // The column shift from a pixel to the one of the next row at the same
        // distance along the direction, rounded: their paper lies as far apart.
        int nextColumn;
    };

  private:
    // One layer of the bend for this page and frame, per step of the bend
    // table: where the paper it shows lay, in whole pixels from the pixel
    // that shows it, and its shade.
    struct LayerSteps {
        std::vector<std::int32_t> x, y, xy;
        std::vector<PackedShade> shade;
        void resize(std::size_t count);
        PaperLayer layer() const;  // indexed by the step, -1024 to 2048
    };

    // The parts of a page's row, in the order q falls: uncovered, shadowed
    // by the bend, on the bend, in front of it (a roll's front, a curl's
    // folded-back flap), untouched.
    enum Part { PART_TO, PART_SHADOW, PART_BEND, PART_FRONT, PART_FROM, PART_COUNT };

    // Columns [edge[i], edge[i + 1]) of a row hold part i, or part
    // PART_COUNT - 1 - i when q rises along the row.
    struct RowParts {
        int edge[PART_COUNT + 1];
        bool rising;
    };

    // Where the bend of a page stands at a progress (16.16): c, where the
    // paper leaves the flat, and the radius r, both 16.16; qScale turns
    // c - s into steps of the bend table (<< 32), piR is pi r.
    struct Bend {
        std::int64_t c, r, qScale, piR;
    };

    Bend bendAt(const Page& page, std::int64_t progress) const;
    void drawPage(const PictureFrameBlock& block, const Page& page, std::int64_t progress);
    void fillShades();  // the parts of the layers that Begin fills
    void fillSteps(const Page& page, const Bend& bend);
    RowParts rowParts(const Page& page, const Bend& bend, std::int64_t frontEnd, int y) const;
    void prefetchActive(const PictureFrameBlock& block, const RowParts& row, int y) const;
    void drawRow(const PictureFrameBlock& block, const Page& page, const Bend& bend,
                 const RowParts& row, int y) const;
    // Pixels [begin, end) of row y, all in one part.
    void drawShadow(const PictureFrameBlock& block, const Page& page, const Bend& bend, int y,
                    int begin, int end) const;
    // A run of the table from the page's row y, columns [begin, end).
    TableRun tableRun(const PictureFrameBlock& block, const Page& page, const Bend& bend, int y,
                      int begin, int end) const;
    void drawBend(const PictureFrameBlock& block, const Page& page, const Bend& bend, int y,
                  int begin, int end) const;
    void drawFront(const PictureFrameBlock& block, const Page& page, const Bend& bend, int y,
                   int begin, int end) const;

    Fold fold_;
    std::size_t presetIndex_ = 0;
    bool begun_ = false;
    bool wholeUse_ = false;  // the use in progress took a preset
    int width_ = 0;
    int height_ = 0;
    std::vector<Page> pages_;
    std::vector<BendEntry> bend_;  // empty when Begin had no pictures or no memory
    LayerSteps tops_;              // sized by Begin
    LayerSteps insides_;           // the inside of the bend, the same
    bool plainOnly_ = false;
    bool fast_ = false;           // this use runs the fast pixel loops
    std::vector<RowParts> rows_;  // the parts of the rows ahead, sized by Begin
    Layer flatBack_;              // the curl's flat folded-back paper
};

}  // namespace effects
