#include "effects/SeedClock.h"

#include <ctime>

namespace effects {

SeedClock SeedClock::system() {
    return {[] { return static_cast<std::uint32_t>(std::clock()); },
            [] { return static_cast<std::uint32_t>(std::time(nullptr)); }};
}

SeedClock SeedClock::fixed(std::uint32_t value) {
    return {[value] { return value; }, [value] { return value; }};
}

}  // namespace effects
