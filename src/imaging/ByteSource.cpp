#include "imaging/ByteSource.h"

#include <algorithm>
#include <cstring>

#include "platform/FileReader.h"

namespace imaging {

std::size_t MemorySource::read(std::uint8_t* destination, std::size_t count) {
    const std::size_t n = std::min(count, bytes_.size() - position_);
    if (n > 0) {
        std::memcpy(destination, bytes_.data() + position_, n);
        position_ += n;
    }
    return n;
}

std::size_t FileSource::read(std::uint8_t* destination, std::size_t count) {
    return reader_.read(destination, count);
}

}  // namespace imaging
