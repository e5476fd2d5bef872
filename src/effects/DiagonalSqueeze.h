#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"

namespace effects {

class RandomGenerator;

// A front sweeps from one top corner to the opposite corner; every diagonal
// line of the picture shrinks toward a split point on it as the front passes,
// turns to the incoming picture at its narrowest and grows back. The
// diagonals run up-right or up-left, drawn once per use. Direction and
// parameter are not read.
class DiagonalSqueeze final : public PictureEffect {
  public:
    // The orientation is drawn from `random`, the generator of the thread
    // that plays the transitions.
    explicit DiagonalSqueeze(RandomGenerator& random) : random_(random) {}

    // Builds the size profile for the picture size and draws the orientation.
    int begin(const PictureFrameBlock& block) override;
    // Writes nothing when Begin could not build the profile.
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    // The profile: 65536 (full size) at both ends, near 0 in the middle.
    const std::vector<std::uint32_t>& profile() const { return profile_; }
    bool runsRight() const { return runsRight_; }

  private:
    // This frame's drawing of one diagonal, positions counted from its
    // first pixel: black before `start` and from `end`, between them the
    // source diagonal sampled `step` / 65536 apart.
    struct Run {
        std::ptrdiff_t origin;  // index of the first pixel
        const Pixel* source;    // the picture shown, at the first pixel
        int row;                // row of the first pixel
        int length, start, end;
        std::uint32_t step;
    };

    RandomGenerator& random_;
    std::vector<Run> runs_;               // reused between frames
    std::vector<std::uint32_t> profile_;  // G + 1 entries; empty without Begin or memory
    bool runsRight_ = true;               // diagonals go up-right (else up-left)
    int width_ = 0;
    int height_ = 0;
};

}  // namespace effects
