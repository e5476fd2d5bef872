#pragma once

namespace effects {

// Which code computes the blends of the fading transitions: the SSE2 kernels
// (where the processor has them) or the plain per-pixel code they are tested
// against. Both give the same bytes.
enum class PixelPath { Fast, Plain };

}  // namespace effects
