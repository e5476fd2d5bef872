#include "effects/EffectOperation.h"

namespace effects {

const char* effectOperationName(EffectOperation operation) {
    switch (operation) {
        case EFFECT_BEGIN:
            return "Begin";
        case EFFECT_END:
            return "End";
        case EFFECT_FRAME:
            return "Frame";
    }
    return "?";
}

}  // namespace effects
