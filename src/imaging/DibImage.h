#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>

#include "imaging/FrameSection.h"
#include "imaging/PixelLayout.h"

namespace imaging {

// Shown (by whoever shows messages) when a picture's pixel memory cannot be
// had; the picture then draws as nothing.
inline constexpr const char* DIB_ALLOCATION_FAILED_TEXT = "Unable to allocate DIB memory";

// The info header and pixels of a DibImage, without its file header: what
// the compositor stretches from. Owned by the caller.
class PackedDib {
  public:
    std::size_t size() const { return size_; }
    const std::uint8_t* data() const { return memory_.get(); }
    BitmapInfoHeader header() const { return BitmapInfoHeader::readFrom(data()); }
    const std::uint8_t* pixels() const { return data() + DIB_INFO_HEADER_SIZE; }

  private:
    friend class DibImage;
    PackedDib(PixelMemory memory, std::size_t size) : memory_(std::move(memory)), size_(size) {}
    PixelMemory memory_;
    std::size_t size_;
};

// One decoded picture in packed form: the 14-byte file header ("BM"), the
// 40-byte info header and the bottom-up BGRX pixels in one block of memory.
class DibImage {
  public:
    // Sets the size; no pixel memory yet (memory of an earlier picture is
    // kept for reuse). False when the size is not one we hold (bitmapBytes).
    bool create(int width, int height);

    // Gets zero-filled memory of totalSize() bytes and writes both headers.
    // False when it cannot be had: totalSize() and bitCount() are then 0 and
    // the image has no pixels.
    bool allocate();

    // As allocate(), but pixels reused from an earlier picture are not
    // cleared: for a writer that sets every pixel.
    bool allocateForOverwrite();

    // Frees the memory.
    void destroy();

    int width() const { return width_; }
    int height() const { return height_; }
    // 54 + width * height * 4 once allocated; 0 before and after a failure.
    std::size_t totalSize() const { return totalSize_; }
    int bitCount() const { return bitCount_; }
    bool hasPixels() const { return totalSize_ != 0; }

    // The packed block (totalSize() bytes) and its pixels; null without pixels.
    const std::uint8_t* memory() const { return hasPixels() ? memory_.get() : nullptr; }
    std::uint8_t* pixels() { return hasPixels() ? memory_.get() + DIB_HEADER_SIZE : nullptr; }
    const std::uint8_t* pixels() const {
        return hasPixels() ? memory_.get() + DIB_HEADER_SIZE : nullptr;
    }
    BitmapInfoHeader infoHeader() const { return BitmapInfoHeader::forBgrx(width_, height_); }

    // Everything after the file header (totalSize() - 14 bytes), copied;
    // nullopt without pixels or when memory is short.
    std::optional<PackedDib> copyPacked() const;

    // The pixels copied into a section of their own; nullopt as copyPacked.
    std::optional<FrameSection> toDeviceBitmap() const;

    // Memory above this many bytes counts as unobtainable (tests, and
    // callers that budget memory).
    void setMemoryLimit(std::size_t bytes) { memoryLimit_ = bytes; }

  private:
    bool obtain(bool clear);

    int width_ = 0;
    int height_ = 0;
    std::size_t totalSize_ = 0;
    int bitCount_ = 0;
    PixelMemory memory_;
    std::size_t capacity_ = 0;
    std::size_t memoryLimit_ = std::numeric_limits<std::size_t>::max();
};

}  // namespace imaging
