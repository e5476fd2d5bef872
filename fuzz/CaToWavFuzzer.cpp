// Bytes in, WAV out: the ".ca" walk and the G.723.1 decoder on arbitrary
// input. Besides the sanitizers, checks that the WAV header always matches
// the samples written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "film/CaToWav.h"
#include "film/WavFile.h"

namespace {

uint32_t u32At(const std::string& s, size_t at) {
    const auto* p = reinterpret_cast<const uint8_t*>(s.data() + at);
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Each block costs 16 frame decodes; keep runs fast.
    if (size > 16384) {
        return 0;
    }
    static film::lpc::NoiseRing ring;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    std::stringstream out(std::ios::in | std::ios::out | std::ios::binary);
    film::lpc::G7231Decoder decoder(ring);
    const film::CaWavResult result = film::writeCaAsWav(in, size, out, decoder, nullptr);

    const std::string wav = out.str();
    if (wav.size() < size_t(film::WAV_HEADER_BYTES) || u32At(wav, 4) != wav.size() - 8 ||
        u32At(wav, 40) != wav.size() - film::WAV_HEADER_BYTES ||
        u32At(wav, 40) != result.dataBytes || result.dataBytes % 7680 != 0) {
        std::abort();
    }
    return 0;
}
