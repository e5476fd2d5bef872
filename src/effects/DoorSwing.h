#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"

namespace effects {

// The outgoing picture swings away like a door on a hinge along one edge
// (up: top edge, down: bottom, left: left, right: right), drawn as a
// trapezoid that narrows toward its free edge; everything outside the door
// shows the incoming picture in place. Other directions hinge at the right.
class DoorSwing final : public PictureEffect {
  public:
    explicit DoorSwing(PixelPath path = PixelPath::Fast) : path_(path) {}

    int frame(const PictureFrameBlock& block) override;

    // The door's size at a percentage: its width (side hinges) or height
    // (top and bottom hinges), and the margin of its free edge.
    struct Geometry {
        int doorWidth, doorHeight;
        int freeEdgeHeight, verticalMargin;  // side hinges
        int horizontalMargin;                // top and bottom hinges
    };
    static Geometry geometry(int width, int height, int percent);

  private:
    void drawSideHinged(const PictureFrameBlock& block, const Geometry& g, bool hingeRight);
    void drawSideHingedFast(const PictureFrameBlock& block, const Geometry& g, bool hingeRight);
    void drawEdgeHinged(const PictureFrameBlock& block, const Geometry& g, bool hingeTop);

    // One door column of a side-hinged door: its rows [margin, H - margin)
    // step through the source column by H / span rows and H % span
    // 1/span-ths, `row` and `remainder` running as the rows go by.
    struct DoorColumn {
        int margin, span, step, fraction, sourceColumn;
        int row, remainder;
    };
    std::vector<DoorColumn> columns_;  // kept between frames to spare allocations

    // The same door columns for the fast path, one array per field, so that
    // eight columns step at once.
    struct DoorColumns {
        std::vector<std::int32_t> margin, span, step, fraction, sourceColumn, row, remainder;
    };
    DoorColumns lanes_;
    // A run of door columns sharing one margin, and so one source row per
    // output row: the fast path's source prefetch steps these.
    struct LeadRun {
        int margin, span, step, fraction, firstColumn, lastColumn;
        int row, remainder;
    };
    std::vector<LeadRun> leads_;
    PixelPath path_;
};

}  // namespace effects
