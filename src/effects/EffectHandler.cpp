#include "effects/EffectHandler.h"

#include "effects/EffectOperation.h"

namespace effects {

int PictureEffect::begin(const PictureFrameBlock&) {
    return 0;
}
int PictureEffect::end(const PictureFrameBlock&) {
    return 0;
}
int TitleEffect::begin(const TitleFrameBlock&) {
    return 0;
}
int TitleEffect::end(const TitleFrameBlock&) {
    return 0;
}

int dispatchPicture(PictureEffect& effect, int operation, const PictureFrameBlock& block) {
    switch (operation) {
        case EFFECT_BEGIN:
            return effect.begin(block);
        case EFFECT_FRAME:
            return effect.frame(block);
        case EFFECT_END:
            return effect.end(block);
        default:
            return 0;
    }
}

int dispatchTitle(TitleEffect& effect, int operation, const TitleFrameBlock& block) {
    switch (operation) {
        case EFFECT_BEGIN:
            return effect.begin(block);
        case EFFECT_FRAME:
            return effect.frame(block);
        case EFFECT_END:
            return effect.end(block);
        default:
            return 0;
    }
}

}  // namespace effects
