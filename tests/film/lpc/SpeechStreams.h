#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "film/lpc/FixedPoint.h"
#include "film/lpc/FrameParameters.h"

// Test input for the G.723.1 decoder: real 6.3 kbit/s streams made by
// FFmpeg's encoder from espeak-ng speech, frames packed from field values,
// and ".ca" containers around them.
namespace film::lpc::test {

using Bytes = std::vector<uint8_t>;
using Frame = std::vector<uint8_t>;

// Speaks `text` with espeak-ng and encodes it at 6.3 kbit/s with the ffmpeg
// program; `gain` scales the speech before encoding (loud speech drives the
// decoder into saturation). nullopt with the reason in *error when either
// program is missing or fails.
std::optional<Bytes> encodeSpeech(const std::string& text, const std::string& voice, double gain,
                                  std::string* error);

// Cuts back-to-back frames at the lengths their types call for.
std::vector<Frame> splitFrames(std::span<const uint8_t> stream);

// Packs a 5.3 kbit/s frame (20 bytes) or a SID frame (4 bytes) from fields.
Frame packRate63(const FrameParameters& p);
Frame packRate53(const FrameParameters& p);
Frame packSid(uint32_t lspIndex, int gainIndex);
inline Frame untransmittedFrame() {
    return Frame{3};
}

// 5.3 kbit/s frames that follow the LSPs, lags and gains of real 6.3 kbit/s
// frames, with pseudo-random pulse positions and signs (fixed seed).
std::vector<Frame> toRate53(const std::vector<Frame>& rate63Frames);

// Frames of the given rate with every field drawn at random from its legal
// range (fixed seed): loud, badly conditioned filters that drive the decoder
// into saturation.
std::vector<Frame> randomFrames(FrameType rate, int count, uint32_t seed);

// Packs frames in ".ca" blocks of up to 16 slots; each slot has the code
// that fits its frame (5.3 kbit/s frames can only go in 24-byte slots).
Bytes packCa(const std::vector<Frame>& frames);

// FFmpeg's decoder, post-filter off, frame by frame.
std::vector<int16_t> referenceDecode(const std::vector<Frame>& frames);

// Our decoder with a fresh noise ring, frame by frame.
std::vector<int16_t> ourDecode(const std::vector<Frame>& frames,
                               fx::Arithmetic arithmetic = fx::Arithmetic::PlainWhereExact);

// Energy of the 240 samples of frame k, in dB (0 dB for silence).
double frameEnergyDb(std::span<const int16_t> samples, size_t k);

}  // namespace film::lpc::test
