#pragma once

namespace effects {

// The operations every transition and title handler answers, numbered as the
// effect tables have always numbered them. Operations 2 and 4 are accepted
// and ignored.
enum EffectOperation : int {
    EFFECT_BEGIN = 0,  // allocate and precompute for one transition
    EFFECT_END = 1,    // free what Begin made
    EFFECT_FRAME = 3,  // draw the picture at (elapsed, total)
};

const char* effectOperationName(EffectOperation operation);

}  // namespace effects
