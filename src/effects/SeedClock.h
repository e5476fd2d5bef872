#pragma once

#include <cstdint>
#include <functional>

namespace effects {

// Where the transitions that reseed the play thread's generator take the
// seed from: the processor-time clock for most of them, the wall clock in
// seconds for one. Tests and export put fixed values here so that a run
// repeats exactly.
struct SeedClock {
    std::function<std::uint32_t()> processorTime;
    std::function<std::uint32_t()> wallSeconds;

    // clock() and time(), truncated to the generator's 32-bit seed.
    static SeedClock system();
    // Both clocks answer `value`.
    static SeedClock fixed(std::uint32_t value);
};

}  // namespace effects
