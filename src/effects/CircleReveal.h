#pragma once

#include <cstdint>
#include <vector>

#include "effects/EffectHandler.h"
#include "effects/PixelPath.h"

namespace effects {

// The incoming picture opens through a circle growing from the centre until
// it covers the corners. Across a rim a fifth of the final radius wide the
// two pictures blend along a raised-cosine curve. Blends write the colour
// bytes and keep the fourth byte of `out`. Direction and parameter are not
// read.
class CircleReveal final : public PictureEffect {
  public:
    explicit CircleReveal(PixelPath path = PixelPath::Fast) : path_(path) {}

    // Computes the centre, the radius and the rim's weight curve.
    int begin(const PictureFrameBlock& block) override;
    // Writes nothing when Begin could not build the weight curve.
    int frame(const PictureFrameBlock& block) override;
    int end(const PictureFrameBlock& block) override;

    int radius() const { return radius_; }
    // Rim weights, 0 rising toward 255; empty without Begin or memory.
    const std::vector<std::uint8_t>& weights() const { return weights_; }

  private:
    void drawSmallCircle(const PictureFrameBlock& block, int n);
    void drawLargeCircle(const PictureFrameBlock& block, int n);
    // Blends columns first .. last of row r, each with its column's weight.
    void blendRun(const PictureFrameBlock& block, int r, int first, int last, const Pixel* a,
                  const Pixel* b) const;

    PixelPath path_;

    std::vector<std::uint8_t> weights_;
    int width_ = 0;
    int height_ = 0;
    int radius_ = 0;
    // This row pair's rim weight per column, symmetric about the centre.
    std::vector<std::uint16_t> columnWeights_;
};

}  // namespace effects
