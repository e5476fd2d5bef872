#pragma once

#include <array>
#include <cstdint>

namespace film::lpc {

// The R250 shift-register generator that feeds the comfort noise: a ring of
// 250 16-bit words, w[i] ^= w[(i + 103) mod 250], the new w[i] is the value.
// One ring lives as long as the process and runs on across decoded files, so
// a second decode of the same file does not repeat the first one's noise;
// every ring starts from the same fixed words, so a process run is
// reproducible.
class NoiseRing {
  public:
    static constexpr int SIZE = 250;
    static constexpr int TAP = 103;

    NoiseRing();

    // The next word of the ring.
    uint16_t next();

    // A value in [0, range): range * next() / 65536. range is at most 65536.
    int below(int range) { return static_cast<int>((uint32_t(range) * next()) >> 16); }

  private:
    std::array<uint16_t, SIZE> words_;
    int index_ = 0;
};

}  // namespace film::lpc
