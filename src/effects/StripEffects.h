#pragma once

#include <vector>

#include "effects/EffectHandler.h"
#include "effects/RowSpans.h"

namespace effects {

// The strip transitions: one straight edge (parameter 1) or many strips whose
// edges run in alternate directions (parameter N, directions up and left
// only). Wipe reveals the incoming picture in place, Cover slides it over the
// still outgoing one (both eased by x^3), Push slides both (linear).
class StripEffect final : public PictureEffect {
  public:
    enum class Motion { Wipe, Cover, Push };

    explicit StripEffect(Motion motion) : motion_(motion) {}

    int frame(const PictureFrameBlock& block) override;

  private:
    void drawVertical(const PictureFrameBlock& block, int strips, int edge);
    void drawHorizontal(const PictureFrameBlock& block, int bands, int edge);

    Motion motion_;
    std::vector<int> stripStarts_;  // first column of each strip, reused between frames
    RowSpans spans_;                // the strips as runs of the rising and the falling source
};

}  // namespace effects
