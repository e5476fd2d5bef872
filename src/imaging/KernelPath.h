#pragma once

namespace imaging {

// Which implementation of the pixel kernels (IDCT, colour conversion,
// darkening) runs. Chosen once per call, outside the pixel loops; tests run
// every kernel on both paths and compare them.
enum class KernelPath {
    Portable,  // plain C++, any machine
    Sse2,      // x86-64 SSE2 intrinsics
};

// Sse2 where the build targets x86-64 (SSE2 is part of that architecture),
// Portable elsewhere.
constexpr KernelPath bestKernelPath() {
#if defined(__SSE2__)
    return KernelPath::Sse2;
#else
    return KernelPath::Portable;
#endif
}

// A requested path that this build cannot run falls back to Portable.
constexpr KernelPath usableKernelPath(KernelPath requested) {
    return requested == KernelPath::Sse2 && bestKernelPath() != KernelPath::Sse2
               ? KernelPath::Portable
               : requested;
}

}  // namespace imaging
