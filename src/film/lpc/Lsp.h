#pragma once

#include <array>
#include <cstdint>

#include "film/lpc/G7231Tables.h"

// Line spectral pairs: inverse quantisation, interpolation over the four
// subframes and conversion to the coefficients of the synthesis filter.
namespace film::lpc {

using LspVector = std::array<int16_t, LPC_ORDER>;
using LpcVector = std::array<int16_t, LPC_ORDER>;  // Q13, sign as the filter uses it
using FrameLpc = std::array<LpcVector, SUBFRAMES>;

// The LSP vector of a frame's last subframe from its three VQ indices and the
// previous frame's vector. An unstable result falls back to `previous`.
LspVector decodeLsp(uint32_t lspIndex, const LspVector& previous);

// Linear interpolation from `previous` to `current` (weights 3/4, 1/2, 1/4
// and 0 on `previous`) and conversion of each subframe's vector.
FrameLpc interpolateLsp(const LspVector& current, const LspVector& previous);

// Converts LSP frequencies to LPC coefficients.
LpcVector lspToLpc(const LspVector& lsp);

}  // namespace film::lpc
