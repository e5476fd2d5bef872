#include "shell/ProcessorCheck.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace shell {

int hasMmx() {
#if defined(__i386__) || defined(__x86_64__)
    // __get_cpuid first checks that CPUID exists (on 32-bit x86 by toggling
    // the ID flag, bit 21 of EFLAGS) and then runs leaf 1; MMX is EDX bit 23.
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (__get_cpuid(1, &eax, &ebx, &ecx, &edx) == 0) {
        return 0;
    }
    return (edx & 0x800000u) != 0 ? 1 : 0;
#else
    // Other processors run the portable code paths everywhere, so there is
    // nothing to require.
    return 1;
#endif
}

}  // namespace shell
