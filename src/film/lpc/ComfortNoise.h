#pragma once

#include <cstdint>
#include <span>

#include "film/lpc/FixedPoint.h"
#include "film/lpc/G7231Tables.h"
#include "film/lpc/NoiseRing.h"

// Comfort noise of the silence compression annex: the SID gain quantiser and
// its inverse, and the random excitation that stands in for speech between
// descriptor frames.
namespace film::lpc {

// Quantises an excitation energy estimate (energy with its normalisation
// shift, as measured on the last speech frame) to a SID gain index 0..63.
int quantizeSidGain(int16_t energy, int16_t shift);

// The gain (<< 5) that a SID gain index stands for.
int16_t decodeSidGain(int index);

// Builds a frame of random excitation whose energy matches `gain`: a random
// adaptive codebook entry per subframe plus eleven random pulses per pair of
// subframes with a computed common gain. Every random value comes from
// `ring`, in the order the Recommendation draws them. `history` (PITCH_MAX
// samples of past excitation) is read and moved on by the new frame.
void randomExcitation(int16_t gain, std::span<int16_t, PITCH_MAX> history, NoiseRing& ring,
                      std::span<int16_t, FRAME_LEN> out,
                      fx::Arithmetic arithmetic = fx::Arithmetic::PlainWhereExact);

}  // namespace film::lpc
