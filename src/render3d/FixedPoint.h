#pragma once

#include <cstdint>

namespace render3d {

// 16.16 fixed point, the rasteriser's number format.
using Fixed = std::int32_t;

inline constexpr int kFixedShift = 16;
inline constexpr Fixed kFixedOne = 1 << kFixedShift;

constexpr Fixed toFixed(int value) {
    return static_cast<Fixed>(static_cast<std::uint32_t>(value) << kFixedShift);
}
Fixed toFixed(float value);

// Products and quotients go through 64 bits so that no intermediate
// overflows.
constexpr Fixed fixedMul(Fixed a, Fixed b) {
    return static_cast<Fixed>((static_cast<std::int64_t>(a) * b) >> kFixedShift);
}
// b must not be 0.
constexpr Fixed fixedDiv(Fixed a, Fixed b) {
    return static_cast<Fixed>((static_cast<std::int64_t>(a) * kFixedOne) / b);
}

// Largest integer not above the value, and smallest not below it.
constexpr int fixedFloor(Fixed value) {
    return value >> kFixedShift;
}
constexpr int fixedCeil(Fixed value) {
    return (value + kFixedOne - 1) >> kFixedShift;
}

// Float to integer truncated toward zero, as a C cast does, except that NaN
// gives 0 and values beyond the int range saturate instead of being
// undefined. Degenerate geometry (a zero-width volume, a vertex on the eye)
// can produce such values; they must not become undefined behaviour.
int truncToInt(float value);
// truncToInt(value * 65536): a float turned into 16.16 by truncation, the
// way the rasteriser's tables and plane equations are built.
Fixed truncToFixed(float value);

// Sums and shifts of 32-bit words that wrap modulo 2^32 like the machine
// words they stand for; only the low bits of texel positions are ever used.
constexpr std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t wrapShiftLeft(std::int32_t value, int shift) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << shift);
}

}  // namespace render3d
