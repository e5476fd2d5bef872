#include "imaging/JpegBitReader.h"

namespace imaging {

bool JpegBitReader::reload() {
    if (atEnd_) {
        return false;
    }
    const std::size_t got = source_->read(buffer_.get(), JPEG_INPUT_BUFFER_SIZE);
    ++refills_;
    pos_ = buffer_.get();
    end_ = pos_ + got;
    if (got == 0) {
        atEnd_ = true;
        return false;
    }
    return true;
}

void JpegBitReader::fillSlow() {
    while (count_ <= 56) {
        std::uint8_t byte = nextByte();
        if (byte == 0xFF && unstuff_) {
            if (pos_ == end_) {
                reload();
            }
            if (pos_ != end_ && *pos_ == 0x00) {
                ++pos_;
            }
        }
        bits_ |= static_cast<std::uint64_t>(byte) << (56 - count_);
        count_ += 8;
    }
}

void JpegBitReader::skipBytes(std::uint64_t n) {
    while (n > 0 && count_ >= 8) {
        consume(8);
        --n;
    }
    while (n > 0) {
        if (pos_ == end_ && !reload()) {
            return;  // past the end there is nothing left to skip
        }
        const auto avail = static_cast<std::uint64_t>(end_ - pos_);
        const std::uint64_t step = n < avail ? n : avail;
        pos_ += step;
        n -= step;
    }
}

}  // namespace imaging
