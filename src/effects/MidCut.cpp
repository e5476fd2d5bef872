#include "effects/MidCut.h"

#include "effects/PictureRows.h"

namespace effects {

int MidCut::frame(const PictureFrameBlock& block) {
    copyPicture(block, block.elapsed < block.duration / 2 ? block.from : block.to);
    return 0;
}

}  // namespace effects
