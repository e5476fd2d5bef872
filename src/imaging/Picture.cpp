#include "imaging/Picture.h"

#include <cctype>
#include <limits>

#include "imaging/ByteSource.h"
#include "platform/Trace.h"

namespace imaging {

long long pictureOffset(std::string_view reference) {
    std::size_t i = 0;
    while (i < reference.size() && std::isspace(static_cast<unsigned char>(reference[i]))) {
        ++i;
    }
    bool negative = false;
    if (i < reference.size() && (reference[i] == '+' || reference[i] == '-')) {
        negative = reference[i] == '-';
        ++i;
    }
    constexpr long long kMax = std::numeric_limits<long long>::max() / 10 - 9;
    long long value = 0;
    for (; i < reference.size() && std::isdigit(static_cast<unsigned char>(reference[i])); ++i) {
        value = value < kMax ? value * 10 + (reference[i] - '0') : kMax;
    }
    return negative ? -value : value;
}

Picture::Picture(const std::string& packagePath, MessageSink messages)
    : messages_(std::move(messages)) {
    std::string error;
    package_ = platform::FileReader::open(packagePath, &error);
    if (!package_) {
        lastError_ = error;
    }
    if (!messages_) {
        messages_ = [](const std::string& text) { platform::trace("%s\n", text.c_str()); };
    }
}

bool Picture::load(std::string_view reference, const JpegDecodeOptions& options) {
    release();
    if (!package_) {
        return false;  // lastError_ holds why the package did not open
    }
    lastError_.clear();
    const long long offset = pictureOffset(reference);
    if (offset < 0) {
        lastError_ = "negative picture offset " + std::string(reference);
        return false;
    }
    if (!package_->seek(static_cast<std::uint64_t>(offset))) {
        lastError_ = "picture offset " + std::to_string(offset) + " is past the end of the package";
        return false;
    }
    stream_ = std::make_unique<JpegStream>();
    image_ = std::make_unique<DibImage>();
    FileSource source(*package_);
    const JpegResult result = stream_->decode(source, *image_, options);
    for (const std::string& text : result.messages) {
        messages_(text);
    }
    if (!result) {
        lastError_ = result.error;
        release();
        return false;
    }
    return true;
}

void Picture::release() {
    stream_.reset();
    image_.reset();
}

std::optional<PackedDib> Picture::copyPacked() const {
    return image_ ? image_->copyPacked() : std::nullopt;
}

std::optional<FrameSection> Picture::toDeviceBitmap() const {
    return image_ ? image_->toDeviceBitmap() : std::nullopt;
}

}  // namespace imaging
