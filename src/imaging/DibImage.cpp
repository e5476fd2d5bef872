#include "imaging/DibImage.h"

#include <cstring>

namespace imaging {

bool DibImage::create(int width, int height) {
    if (!bitmapBytes(width, height)) {
        return false;
    }
    width_ = width;
    height_ = height;
    totalSize_ = 0;
    bitCount_ = 0;
    return true;
}

bool DibImage::allocate() {
    return obtain(true);
}

bool DibImage::allocateForOverwrite() {
    return obtain(false);
}

bool DibImage::obtain(bool clear) {
    totalSize_ = 0;
    bitCount_ = 0;
    const auto pixelBytes = bitmapBytes(width_, height_);
    if (!pixelBytes || *pixelBytes + DIB_HEADER_SIZE > memoryLimit_) {
        return false;
    }
    const std::size_t total = *pixelBytes + DIB_HEADER_SIZE;
    if (memory_ && capacity_ >= total) {
        if (clear) {
            std::memset(memory_.get() + DIB_HEADER_SIZE, 0, *pixelBytes);
        }
    } else {
        // Drop the old block first: big pictures should not need two at once.
        memory_.reset();
        capacity_ = 0;
        memory_.reset(static_cast<std::uint8_t*>(std::calloc(total, 1)));
        if (!memory_) {
            return false;
        }
        capacity_ = total;
    }
    std::uint8_t* p = memory_.get();
    const auto fileSize = static_cast<std::uint32_t>(total);
    const std::uint8_t fileHeader[DIB_FILE_HEADER_SIZE] = {
        'B',
        'M',
        static_cast<std::uint8_t>(fileSize),
        static_cast<std::uint8_t>(fileSize >> 8),
        static_cast<std::uint8_t>(fileSize >> 16),
        static_cast<std::uint8_t>(fileSize >> 24),
        0,
        0,
        0,
        0,
        DIB_HEADER_SIZE,
        0,
        0,
        0};
    std::memcpy(p, fileHeader, sizeof fileHeader);
    infoHeader().writeTo(p + DIB_FILE_HEADER_SIZE);
    totalSize_ = total;
    bitCount_ = 32;
    return true;
}

void DibImage::destroy() {
    memory_.reset();
    capacity_ = 0;
    totalSize_ = 0;
    bitCount_ = 0;
}

std::optional<PackedDib> DibImage::copyPacked() const {
    if (!hasPixels() || totalSize_ > memoryLimit_) {
        return std::nullopt;
    }
    const std::size_t size = totalSize_ - DIB_FILE_HEADER_SIZE;
    PixelMemory copy(static_cast<std::uint8_t*>(std::malloc(size)));
    if (!copy) {
        return std::nullopt;
    }
    std::memcpy(copy.get(), memory_.get() + DIB_FILE_HEADER_SIZE, size);
    return PackedDib(std::move(copy), size);
}

std::optional<FrameSection> DibImage::toDeviceBitmap() const {
    if (!hasPixels()) {
        return std::nullopt;
    }
    auto section = FrameSection::create(width_, height_);
    if (section) {
        std::memcpy(section->pixels(), pixels(), section->byteSize());
    }
    return section;
}

}  // namespace imaging
