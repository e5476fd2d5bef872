#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

#include "imaging/PixelLayout.h"

namespace imaging {

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using PixelMemory = std::unique_ptr<std::uint8_t[], FreeDeleter>;

// A 32-bit bitmap that we own and draw into: bottom-up BGRX rows of
// width * 4 bytes, zero-filled when created. Stands where a window system
// would hand out a bitmap section selected into a drawing context.
class FrameSection {
  public:
    // nullopt when a side is not positive, the picture is larger than
    // kMaxPixels, or the memory cannot be had.
    static std::optional<FrameSection> create(int width, int height, int pelsPerMeter = 0);

    int width() const { return header_.width; }
    int height() const { return header_.height; }
    std::size_t stride() const { return static_cast<std::size_t>(width()) * kBytesPerPixel; }
    std::size_t byteSize() const { return stride() * static_cast<std::size_t>(height()); }
    const BitmapInfoHeader& header() const { return header_; }

    // Memory row y (0 = bottom row of the picture).
    std::uint8_t* pixels() { return pixels_.get(); }
    const std::uint8_t* pixels() const { return pixels_.get(); }
    std::uint8_t* row(int y) { return pixels_.get() + stride() * static_cast<std::size_t>(y); }
    const std::uint8_t* row(int y) const {
        return pixels_.get() + stride() * static_cast<std::size_t>(y);
    }

  protected:
    FrameSection(BitmapInfoHeader header, PixelMemory pixels)
        : header_(header), pixels_(std::move(pixels)) {}

  private:
    BitmapInfoHeader header_;
    PixelMemory pixels_;
};

// The helper the compositor uses for its temporary sections: a zero-filled
// 32-bit section with 100 pixels per metre; *header receives its info
// header. nullopt when the section cannot be made.
std::optional<FrameSection> createFrameSection(BitmapInfoHeader* header, int width, int height);

// One frame of the stage: every transition and title reads and writes
// these. Width and height are even (the stage is always even-sized).
class StageFrame : public FrameSection {
  public:
    // nullopt for odd or non-positive sizes, or when memory is short.
    static std::optional<StageFrame> create(int width, int height);

  private:
    explicit StageFrame(FrameSection section) : FrameSection(std::move(section)) {}
};

}  // namespace imaging
