#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/SeedClock.h"

namespace effects {

class RandomGenerator;

// The outgoing picture runs down the screen in 2 x 2 drops, column by
// column behind a wavy front, uncovering the incoming picture.
class MeltDown final : public PictureEffect {
  public:
    // Begin reseeds `random` from the processor-time clock of `clock`.
    MeltDown(RandomGenerator& random, const SeedClock& clock) : random_(random), clock_(clock) {}

    int begin(const PictureFrameBlock& block) override;
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

  private:
    RandomGenerator& random_;
    const SeedClock& clock_;
    // Per drop, row by row: the step at which it starts to fall,
    // i * P[j] / H + J[j] with P the wavy profile (79 to 91) and J the
    // column's random jitter (0 to 5). Empty without Begin.
    std::vector<std::uint8_t> delay_;
    std::vector<std::int8_t> wobble_;  // per pixel, -90 to 30: sideways drift
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
