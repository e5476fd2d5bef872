#pragma once

#include <cstdint>
#include <iosfwd>

namespace film {

// The 44-byte header of a 16-bit mono PCM WAV file at 8000 samples per
// second: "RIFF" <size> "WAVE", a 16-byte "fmt " chunk, "data" <size>.
inline constexpr int WAV_HEADER_BYTES = 44;

// Writes the header for `dataBytes` bytes of samples at the stream's
// position.
void writeWavHeader(std::ostream& out, uint32_t dataBytes);

// Sets the RIFF size to dataBytes + 36 and the size of the "data" chunk,
// found by walking the chunks from offset 12. False when the stream fails or
// holds no "data" chunk.
bool patchWavSizes(std::iostream& file, uint32_t dataBytes);

}  // namespace film
