#pragma once

#include "effects/FrameBlocks.h"

namespace effects {

// One picture transition. The registry owns one object per handler and
// drives it begin, frame ..., end for one pair of pictures at a time; the
// object keeps whatever it precomputes between begin and end.
class PictureEffect {
  public:
    virtual ~PictureEffect() = default;

    // Precomputes what frames need for this pair of pictures (elapsed 0,
    // duration 100). A handler that cannot get memory keeps no data; its
    // frames then write nothing. Returns 0.
    virtual int begin(const PictureFrameBlock& block);

    // Writes every pixel of block.out for block.elapsed of block.duration.
    // The registry only calls it with three pictures, a positive duration and
    // 0 <= elapsed <= duration. Returns 0.
    virtual int frame(const PictureFrameBlock& block) = 0;

    // Releases what begin took. Only direction and parameter are set; a
    // second end is harmless. Returns 0.
    virtual int end(const PictureFrameBlock& block);
};

// One title animation: draws the glyphs of one text item onto the title
// surface.
class TitleEffect {
  public:
    virtual ~TitleEffect() = default;

    // Builds the glyph images of the title. Returns 0, or -1 when they could
    // not be built (what was built is already released then).
    virtual int begin(const TitleFrameBlock& block);

    // Draws the title at block.elapsed of block.duration. Returns 0.
    virtual int frame(const TitleFrameBlock& block) = 0;

    // Releases what begin built; only the text record is set. Returns 0.
    virtual int end(const TitleFrameBlock& block);
};

// Routes an operation code to the handler's method; operations other than
// Begin, Frame and End are accepted and ignored (result 0).
int dispatchPicture(PictureEffect& effect, int operation, const PictureFrameBlock& block);
int dispatchTitle(TitleEffect& effect, int operation, const TitleFrameBlock& block);

}  // namespace effects
