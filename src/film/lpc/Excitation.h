#pragma once

#include <cstdint>
#include <span>

#include "film/lpc/FixedPoint.h"
#include "film/lpc/FrameParameters.h"

// The two codebooks that make a subframe's excitation: the adaptive codebook
// (the past excitation at the pitch lag, through a five-tap gain vector) and
// the fixed codebooks of the two rates.
namespace film::lpc {

// The adaptive codebook contribution of one subframe. `history` ends where
// the subframe starts: history[PITCH_MAX] would be its first sample, and
// PITCH_MAX samples before it are read. `pitchLag` is the frame's open-loop
// lag for the subframe pair, `lagOffset` and `gainIndex` the subframe's AcLg
// and AcGn; the small gain codebook is used for short lags at 6.3 kbit/s.
void adaptiveCodebook(std::span<const int16_t> history, int pitchLag, int lagOffset, int gainIndex,
                      FrameType rate, std::span<int16_t, SUBFRAME_LEN> out,
                      fx::Arithmetic arithmetic = fx::Arithmetic::PlainWhereExact);

// The 6.3 kbit/s multipulse excitation of subframe `index`: its pulses on the
// even or odd grid, each of the subframe's fixed gain, repeated at the pitch
// lag when the pulse train bit is set. A position code beyond the
// codebook gives no pulses.
void multipulseExcitation(const SubframeParameters& sf, int index, int pitchLag,
                          std::span<int16_t, SUBFRAME_LEN> out);

// The 5.3 kbit/s algebraic excitation: four signed pulses on interleaved
// tracks, sharpened by the pitch when the lag is short.
void algebraicExcitation(const SubframeParameters& sf, int pitchLag,
                         std::span<int16_t, SUBFRAME_LEN> out);

}  // namespace film::lpc
