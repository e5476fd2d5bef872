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

}  // namespace render3d
