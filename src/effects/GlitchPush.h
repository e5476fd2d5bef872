#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/SeedClock.h"

namespace effects {

class RandomGenerator;

// The incoming picture pushes up from the bottom edge while the rows of
// both jerk sideways, most of all near five randomly chosen rows.
class GlitchPush final : public PictureEffect {
  public:
    // Begin reseeds `random` from the wall clock (seconds) of `clock`.
    GlitchPush(RandomGenerator& random, const SeedClock& clock) : random_(random), clock_(clock) {}

    int begin(const PictureFrameBlock& block) override;
    // A row whose shift reaches the picture's width or more is all black.
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    // One output row: `source` moved `shift` pixels right (left when
    // negative) with black where it left the row; all black once the shift
    // reaches the width.
    static void shiftRow(Pixel* out, const Pixel* source, int width, std::int64_t shift);

    static constexpr int CHOSEN_ROWS = 5;
    static constexpr int JITTER_STEPS = 101;

  private:
    RandomGenerator& random_;
    const SeedClock& clock_;
    std::vector<std::int32_t> profile_;  // per row; empty without Begin
    std::array<std::int32_t, JITTER_STEPS> jitter_{};
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
