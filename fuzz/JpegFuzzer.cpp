// Bytes in, picture out: the JPEG decoder on both IDCT paths. The pixel
// limit is lowered so that a forged size costs the fuzzer milliseconds, not
// seconds; the size checks themselves are tested with the real limit.
#include <cstddef>
#include <cstdint>
#include <span>

#include "imaging/ByteSource.h"
#include "imaging/DibImage.h"
#include "imaging/JpegStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1 << 20) {
        return -1;
    }
    static imaging::JpegStream stream;
    static imaging::DibImage image;
    imaging::JpegDecodeOptions options;
    options.maxPixels = std::size_t{1} << 18;
    for (imaging::KernelPath path : {imaging::KernelPath::Sse2, imaging::KernelPath::Portable}) {
        options.path = path;
        imaging::MemorySource source(std::span(data, size));
        const imaging::JpegResult result = stream.decode(source, image, options);
        if (result && image.hasPixels()) {
            // Touch every pixel so that a missed write shows up under MSan-like checks.
            unsigned sum = 0;
            const std::size_t bytes = image.totalSize() - imaging::DIB_HEADER_SIZE;
            for (std::size_t i = 0; i < bytes; i += 61) {
                sum += image.pixels()[i];
            }
            static volatile unsigned sink;
            sink = sum;
        }
    }
    return 0;
}
