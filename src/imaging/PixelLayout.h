#pragma once

#include <cstddef>
#include <optional>

namespace imaging {

// Every bitmap of the show: 32-bit pixels, bytes blue, green, red, unused;
// rows bottom-up; stride width * 4 without padding.
inline constexpr int kBytesPerPixel = 4;

// The largest picture we agree to hold: 2^28 pixels (1 GiB of BGRX), far
// above any camera's photo, far below what a forged header could ask for.
inline constexpr std::size_t kMaxPixels = std::size_t{1} << 28;

// Bytes of a width x height 32-bit bitmap, or nullopt when a side is not
// positive or the picture is larger than kMaxPixels.
std::optional<std::size_t> bitmapBytes(long long width, long long height);

}  // namespace imaging
