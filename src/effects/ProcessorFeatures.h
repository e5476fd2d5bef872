#pragma once

namespace effects {

// Whether the running processor has AVX2: the transitions whose pixel loops
// gather from moving positions build an AVX2 kernel next to their plain
// one and pick it once per frame.
inline bool hasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
    static const bool available = __builtin_cpu_supports("avx2");
    return available;
#else
    return false;
#endif
}

}  // namespace effects
