#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "film/lpc/FixedPoint.h"
#include "film/lpc/FrameParameters.h"
#include "film/lpc/G7231Tables.h"
#include "film/lpc/Lsp.h"
#include "film/lpc/NoiseRing.h"

namespace film::lpc {

// Decodes ITU-T G.723.1 frames (both rates, SID and untransmitted frames with
// comfort noise) to 240 samples each, bit-exactly as the Recommendation's
// fixed-point decoder without its post-filter and frame-erasure concealment.
// The output is the synthesis filter's output doubled to full 16-bit range.
//
// The codec memories belong to one decoder (one output file); the comfort
// noise ring is shared and runs on across decoders.
class G7231Decoder {
  public:
    explicit G7231Decoder(NoiseRing& noise,
                          fx::Arithmetic arithmetic = fx::Arithmetic::PlainWhereExact);

    // Back to the state at the start of a stream.
    void reset();

    enum class FrameStatus {
        Decoded,
        TooShort,           // fewer bytes than the frame's type needs
        ForbiddenPitchLag,  // damaged parameters: the frame gives silence
        GainOutOfRange,
    };
    struct FrameResult {
        int length;  // bytes the frame's type calls for; -1 when TooShort
        FrameStatus status;
    };

    // Decodes the frame at the start of `bytes` (all that is available of
    // it) into `out`. A frame that cannot be decoded gives 240 zero samples
    // and leaves the decoder as it was.
    FrameResult decodeFrame(std::span<const uint8_t> bytes, std::span<int16_t, FRAME_LEN> out);

  private:
    // Whether the previous frame was speech, a descriptor or untransmitted;
    // comfort noise starts differently after speech.
    enum class PastFrame { Speech, Sid, Untransmitted };

    void decodeSpeech(const FrameParameters& p, std::span<int16_t, FRAME_LEN> out);
    void decodeNoise(const FrameParameters& p, std::span<int16_t, FRAME_LEN> out);
    void estimateNoiseGain(std::span<const int16_t, PITCH_MAX + FRAME_LEN> excitation);
    void synthesize(std::span<const int16_t, FRAME_LEN> excitation, const FrameLpc& lpc,
                    std::span<int16_t, FRAME_LEN> out);

    NoiseRing& noise_;
    fx::Arithmetic arithmetic_;
    LspVector previousLsp_;
    std::array<int16_t, PITCH_MAX> previousExcitation_;
    std::array<int16_t, LPC_ORDER> synthesisMemory_;  // newest first
    // Comfort noise: the descriptor's LSP vector and gain, and the gain
    // being played (after speech it holds the energy estimate's shift).
    LspVector sidLsp_;
    int16_t sidGain_;
    int16_t currentGain_;
    PastFrame pastFrame_;
};

}  // namespace film::lpc
