#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>

#include "film/lpc/G7231Decoder.h"
#include "film/lpc/NoiseRing.h"
#include "platform/Dialogs.h"

// Compressed item music (".ca"): blocks of sixteen G.723.1 frame slots,
//   u32 header  bits 16..31 = payload length L (at most 384)
//   u32 map     code of frame k = (map >> 2k) & 3: 3 = 24 bytes, 2 = 4 bytes,
//               1 = 1 byte, 0 = empty slot
//   L bytes     the non-empty slots, back to back
// decoded to an 8 kHz 16-bit mono WAV file.
namespace film {

inline constexpr int CA_BLOCK_SLOTS = 16;
inline constexpr int CA_MAX_PAYLOAD = 384;
inline constexpr int CA_BLOCK_HEADER = 8;
inline constexpr int CA_BLOCK_SAMPLES = CA_BLOCK_SLOTS * lpc::FRAME_LEN;

// Bytes a slot of each code holds.
inline constexpr std::array<int, 4> CA_SLOT_BYTES = {0, 1, 4, 24};

// A slot whose frame is not as long as the slot (the frame's own type
// decides its length; the walk moves on by the slot's length regardless).
struct CaSlotMismatch {
    int slot;
    int slotBytes;
    int frameBytes;  // -1: fewer bytes than the frame's type needs
};

struct CaBlockResult {
    int mismatchCount = 0;
    std::array<CaSlotMismatch, CA_BLOCK_SLOTS> mismatches{};
};

// Decodes one block's payload (zero-padded to 384 bytes) into 3840 samples;
// every slot gives 240 of them, an empty slot or an undecodable frame
// silence.
CaBlockResult decodeCaBlock(lpc::G7231Decoder& decoder,
                            std::span<const uint8_t, CA_MAX_PAYLOAD> payload, uint32_t frameMap,
                            std::span<int16_t, CA_BLOCK_SAMPLES> out);

// Why the walk over the blocks ended.
enum class CaWalkEnd {
    EndOfRange,        // the blocks filled the range exactly
    TruncatedHeader,   // fewer than 8 bytes left for a block header
    PayloadTooLong,    // L > 384
    PayloadPastRange,  // the payload runs past the range
    ReadFailed,        // the package ended before the range did
    WavFull,           // one more block would overflow the WAV size fields
    WriteFailed,
};

const char* caWalkEndText(CaWalkEnd end);

struct CaWavResult {
    uint32_t dataBytes = 0;
    int blocks = 0;
    int mismatches = 0;
    CaWalkEnd end = CaWalkEnd::EndOfRange;
};

using CaMismatchHandler = std::function<void(uint64_t blockOffset, const CaSlotMismatch& mismatch)>;

// Reads `size` bytes of blocks from `in` (at the range's start), decodes
// them with `decoder` and writes a complete WAV file at the start of `out`,
// header sizes patched. `onMismatch` hears of every mismatching slot.
CaWavResult writeCaAsWav(std::istream& in, uint64_t size, std::iostream& out,
                         lpc::G7231Decoder& decoder, const CaMismatchHandler& onMismatch);

// Decodes the ".ca" range [offset, offset + size) of the package into a new
// WAV file at outputPath. 1 when the file was written; 0 when the package
// cannot be opened (after a "File open error!" box) or the output cannot be
// created or written. "Decode size unmatch" is shown once per file however
// many slots mismatch; each one is traced. `noise` is the process's comfort
// noise ring.
int decodeCaToWav(platform::Dialogs& dialogs, lpc::NoiseRing& noise, const std::string& packagePath,
                  uint64_t offset, uint64_t size, const std::string& outputPath);

}  // namespace film
