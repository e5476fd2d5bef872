#include "film/WavFile.h"

#include <array>
#include <cstring>
#include <istream>
#include <ostream>

namespace film {

namespace {

void putU32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

void putU16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

uint32_t getU32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

bool writeU32At(std::iostream& file, std::streamoff offset, uint32_t value) {
    uint8_t bytes[4];
    putU32(bytes, value);
    file.seekp(offset);
    file.write(reinterpret_cast<const char*>(bytes), 4);
    return static_cast<bool>(file);
}

}  // namespace

void writeWavHeader(std::ostream& out, uint32_t dataBytes) {
    std::array<uint8_t, WAV_HEADER_BYTES> h{};
    std::memcpy(&h[0], "RIFF", 4);
    putU32(&h[4], dataBytes + 36);
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    putU32(&h[16], 16);
    putU16(&h[20], 1);      // PCM
    putU16(&h[22], 1);      // mono
    putU32(&h[24], 8000);   // samples per second
    putU32(&h[28], 16000);  // bytes per second
    putU16(&h[32], 2);      // block align
    putU16(&h[34], 16);     // bits per sample
    std::memcpy(&h[36], "data", 4);
    putU32(&h[40], dataBytes);
    out.write(reinterpret_cast<const char*>(h.data()), h.size());
}

bool patchWavSizes(std::iostream& file, uint32_t dataBytes) {
    if (!writeU32At(file, 4, dataBytes + 36)) {
        return false;
    }
    file.seekg(0, std::ios::end);
    const std::streamoff end = file.tellg();
    // Each step moves on by at least 8 bytes, so the walk ends.
    std::streamoff position = 12;
    while (position + 8 <= end) {
        uint8_t chunk[8];
        file.seekg(position);
        if (!file.read(reinterpret_cast<char*>(chunk), 8)) {
            return false;
        }
        if (std::memcmp(chunk, "data", 4) == 0) {
            return writeU32At(file, position + 4, dataBytes);
        }
        position += 8 + std::streamoff(getU32(chunk + 4));
    }
    return false;
}

}  // namespace film
