#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "imaging/ByteSource.h"
#include "imaging/DibImage.h"
#include "imaging/JpegBitReader.h"
#include "imaging/JpegColour.h"
#include "imaging/JpegHuffman.h"
#include "imaging/JpegIdct.h"
#include "imaging/KernelPath.h"

namespace imaging {

// The largest picture the decoder takes: 2^27 pixels (for example
// 16384 x 8192, 134 megapixels), well above any camera's photo; a forged
// 65535 x 65535 header fails before anything is allocated. At this size the
// picture's BGRX bitmap needs 512 MiB.
inline constexpr std::size_t JPEG_MAX_PIXELS = std::size_t{1} << 27;

struct JpegDecodeOptions {
    KernelPath path = bestKernelPath();
    std::size_t maxPixels = JPEG_MAX_PIXELS;
};

// What a decode gives back. ok: the picture is in the DibImage (which may
// still lack pixels when its memory could not be had; messages then says
// so). Otherwise error names the fault. messages are for the user, in the
// order they arose (the restart warning, the memory message).
struct [[nodiscard]] JpegResult {
    bool ok = false;
    std::string error;
    std::vector<std::string> messages;
    explicit operator bool() const { return ok; }
};

// Reads one baseline JPEG (ITU-T T.81, Huffman-coded, 8-bit) from a source
// positioned at its first byte and decodes it into a bottom-up BGRX
// DibImage. Supported: YCbCr in one interleaved scan with luma factors 1 or
// 2 and chroma factors 1 (4:4:4, 4:2:2, 4:4:0, 4:2:0), and greyscale (one
// component). Everything else fails with a reason: other frame types
// (progressive, extended, lossless, arithmetic), other component counts or
// factors, table selectors beyond the baseline's, several scans or frames,
// missing tables, sizes above the pixel limit.
//
// The pipeline: markers and tables -> frame header (checks, then the
// output) -> the scan, one MCU row at a time: Huffman decoding and
// dequantisation -> IDCT into the row's sample planes -> colour conversion
// of those rows into the bitmap.
//
// Damaged entropy data still yields a picture: past the end of the input the
// decode runs on zeros; a restart marker missing where one is due abandons
// the rest of the scan with the message "Going Out value=%04X rs_int=%d" and
// leaves the undecoded part black. A coefficient position beyond 63 fails
// the decode.
//
// One stream can decode many pictures in turn; it keeps its buffers.
class JpegStream {
  public:
    JpegResult decode(ByteSource& source, DibImage& image, const JpegDecodeOptions& options = {});

    // Of the last decode.
    int width() const { return width_; }
    int height() const { return height_; }
    int components() const { return static_cast<int>(components_.size()); }
    int restartInterval() const { return restartInterval_; }
    int inputRefills() const { return reader_.refills(); }

  private:
    struct Component {
        int id = 0;
        int h = 1, v = 1;  // sampling factors
        int log2h = 0, log2v = 0;
        int tq = 0;          // quantisation table
        int td = 0, ta = 0;  // Huffman tables
        std::int32_t predictor = 0;
        std::array<std::int32_t, 64> factors{};  // dequantisation, zigzag order
        std::vector<std::uint8_t> band;          // one MCU row of samples
        std::size_t stride = 0;
    };
    struct Quantisation {
        bool defined = false;
        std::array<std::uint16_t, 64> values{};  // zigzag order, as stored
    };

    bool readSegment(std::vector<std::uint8_t>& out, const char* name);
    bool readFrame(DibImage& image);
    bool readHuffmanTables();
    bool readQuantisationTables();
    bool readRestartInterval();
    bool readScan(DibImage& image);
    bool decodeScan(DibImage& image);
    bool decodeBlock(Component& c, std::uint8_t* out);
    void convertBand(DibImage& image, int mcuRow);
    void blackenFrom(DibImage& image, int mcuRow, int mcuColumn);
    bool fail(std::string reason);

    JpegDecodeOptions options_;
    const JpegIdct* idct_ = nullptr;
    std::int32_t dcLevelShift_ = 0;
    JpegBitReader reader_;
    JpegColourConverter converter_;
    std::vector<std::uint8_t> segment_;
    std::string error_;
    std::vector<std::string> messages_;

    std::array<Quantisation, 4> quantisation_;
    std::array<JpegHuffmanTable, 2> dcTables_;
    std::array<JpegHuffmanTable, 2> acTables_;
    std::vector<Component> components_;
    std::vector<Component*> scan_;
    alignas(16) std::array<std::int16_t, 64> block_{};

    int width_ = 0, height_ = 0;
    int hMax_ = 1, vMax_ = 1;
    int mcusPerRow_ = 0, mcuRows_ = 0;
    int restartInterval_ = 0;
    bool frameSeen_ = false;
    bool scanSeen_ = false;
    bool pixelsMissing_ = false;
};

}  // namespace imaging
