#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "film/lpc/G7231Tables.h"

namespace film::lpc {

// The four frame types, numbered as the two low bits of a frame's first byte.
enum class FrameType : uint8_t {
    Rate63 = 0,         // 24 bytes, multipulse excitation
    Rate53 = 1,         // 20 bytes, algebraic excitation
    Sid = 2,            // 4 bytes, silence insertion descriptor
    Untransmitted = 3,  // 1 byte, no parameters
};

// Bytes a frame of each type occupies.
inline constexpr std::array<int, 4> FRAME_BYTES = {24, 20, 4, 1};

inline FrameType frameTypeOf(uint8_t firstByte) {
    return static_cast<FrameType>(firstByte & 3);
}

struct SubframeParameters {
    int adaptiveLag = 0;    // AcLg: 0..3, offset of the closed-loop lag (+1 at 0)
    int adaptiveGain = 0;   // AcGn: adaptive codebook gain vector index
    int fixedGain = 0;      // Mamp: index into FIXED_GAIN_TABLE
    int grid = 0;           // even or odd pulse grid
    int pulseTrain = 0;     // Tran: 6.3 kbit/s only, repeat pulses at the pitch lag
    int32_t positions = 0;  // Ppos
    int signs = 0;          // Pamp
};

struct FrameParameters {
    FrameType type = FrameType::Untransmitted;
    uint32_t lspIndex = 0;                 // LspId: three 8-bit VQ indices
    std::array<int, 2> pitchLag = {0, 0};  // Olp of subframes 0-1 and 2-3
    std::array<SubframeParameters, SUBFRAMES> subframes{};
    int sidGainIndex = 0;  // SID frames
};

enum class UnpackStatus {
    Ok,
    ForbiddenPitchLag,  // a lag code above 123
    GainOutOfRange,     // an adaptive gain index beyond its codebook
};

// Reads the parameters of one frame. `frame` holds at least
// FRAME_BYTES[type] bytes; the type is taken from its first byte.
UnpackStatus unpackFrame(std::span<const uint8_t> frame, FrameParameters& out);

}  // namespace film::lpc
