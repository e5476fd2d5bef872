#pragma once

#include "effects/EffectHandler.h"

namespace effects {

// The incoming picture falls over the outgoing one like a lid hinged at the
// top edge: it swings down, bounces three times with falling heights and
// comes to rest. Leaning away the lid is a trapezoid narrower at its free
// edge; swinging toward the viewer its free edge is wider than the screen,
// which shows its middle. Lid pixels take the colour bytes of the incoming
// picture and keep the fourth byte of `out`. Direction and parameter are not
// read.
class SwingSequence final : public PictureEffect {
  public:
    int frame(const PictureFrameBlock& block) override;

    // Which way the lid leans at a percent progress, and its angle in
    // degrees; Off outside 0..100, where nothing is drawn.
    enum class Lean { Off, Away, Toward };
    struct Pose {
        Lean lean;
        int angle;
    };
    static Pose poseAt(int percent);
};

}  // namespace effects
