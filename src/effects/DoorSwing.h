#pragma once

#include <vector>

#include "effects/EffectHandler.h"

namespace effects {

// The outgoing picture swings away like a door on a hinge along one edge
// (up: top edge, down: bottom, left: left, right: right), drawn as a
// trapezoid that narrows toward its free edge; everything outside the door
// shows the incoming picture in place. Other directions hinge at the right.
class DoorSwing final : public PictureEffect {
  public:
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
    void drawEdgeHinged(const PictureFrameBlock& block, const Geometry& g, bool hingeTop);

    // Per door column (side hinges): margin, source column, and the running
    // source row with its remainder; kept between frames to spare allocations.
    std::vector<int> margin_, sourceColumn_, sourceRow_, remainder_;
};

}  // namespace effects
