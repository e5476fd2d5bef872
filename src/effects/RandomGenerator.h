#pragma once

#include <cstdint>

namespace effects {

// The runtime's linear congruential generator that the effects have always
// drawn from: x <- x * 214013 + 2531011 (mod 2^32), each value
// (x >> 16) & 0x7FFF. The runtime kept one state per thread, starting at 1
// until seeded; here each owner holds its own object, so the sequence is
// reproducible by injecting the seed.
class RandomGenerator {
  public:
    static constexpr int RANDOM_MAX = 0x7FFF;

    explicit RandomGenerator(std::uint32_t seed = 1) : state_(seed) {}

    void seed(std::uint32_t seed) { state_ = seed; }

    // The next value, 0 to RANDOM_MAX.
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFFu);
    }

  private:
    std::uint32_t state_;
};

}  // namespace effects
