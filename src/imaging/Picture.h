#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/DibImage.h"
#include "imaging/JpegStream.h"
#include "platform/FileReader.h"

namespace imaging {

// A photo of the film: a JPEG inside the film package, named by its byte
// offset written as decimal text. Loaded on the preparation thread, then
// handed over; not shared while it loads.
class Picture {
  public:
    // Receives the texts the user should see (the restart warning, the
    // memory message); the default writes them to the trace.
    using MessageSink = std::function<void(const std::string& text)>;

    // Opens the package for reading now; a package that cannot be opened
    // makes every load fail.
    explicit Picture(const std::string& packagePath, MessageSink messages = {});

    // Releases what an earlier load left, then decodes the picture at the
    // offset that reference names (read as atoi does: leading blanks, a
    // sign, digits; text without digits is offset 0). False when the offset
    // is negative or past the end of the package, the package is not open,
    // or the picture cannot be decoded (lastError() says why). True also
    // when the bitmap's memory could not be had: the picture then has no
    // pixels and draws as nothing.
    bool load(std::string_view reference, const JpegDecodeOptions& options = {});

    // Frees the decoder and the image.
    void release();

    int width() const { return image_ ? image_->width() : 0; }
    int height() const { return image_ ? image_->height() : 0; }
    const DibImage* image() const { return image_.get(); }
    const std::string& lastError() const { return lastError_; }

    std::optional<PackedDib> copyPacked() const;
    std::optional<FrameSection> toDeviceBitmap() const;

  private:
    std::optional<platform::FileReader> package_;
    MessageSink messages_;
    std::unique_ptr<JpegStream> stream_;
    std::unique_ptr<DibImage> image_;
    std::string lastError_;
};

// The offset a picture reference names, read as atoi would (saturating
// instead of overflowing).
long long pictureOffset(std::string_view reference);

}  // namespace imaging
