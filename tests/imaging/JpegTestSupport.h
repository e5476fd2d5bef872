#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "imaging/DibImage.h"
#include "imaging/JpegStream.h"

namespace imaging::testing {

// A deterministic photo-like RGB picture (sky gradient, shaded shapes with
// hard edges, fine texture, thin lines, sensor noise of +-noise levels),
// rows top-down.
std::vector<std::uint8_t> synthesizePhoto(int width, int height, unsigned seed, int noise = 4);

// Writes a binary PPM.
bool writePpm(const std::string& path, const std::vector<std::uint8_t>& rgb, int width, int height);

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path);

// Runs a shell command; true when it exits with 0.
bool run(const std::string& command);

// A private directory under $TMPDIR, removed with the object.
class ScratchDirectory {
  public:
    ScratchDirectory();
    ~ScratchDirectory();
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

// libjpeg-turbo's decode of a JPEG: BGRX, bottom-up, accurate integer IDCT,
// fast (nearest-sample) upsampling. nullopt when it refuses the file.
struct OracleImage {
    int width = 0, height = 0;
    std::vector<std::uint8_t> pixels;
};
std::optional<OracleImage> decodeWithTurboJpeg(const std::vector<std::uint8_t>& jpeg);

// Our decode of bytes held in memory.
JpegResult decodeBytes(const std::vector<std::uint8_t>& jpeg, DibImage& image,
                       KernelPath path = bestKernelPath());

struct Difference {
    double psnr = 0;  // over blue, green and red; +inf when equal
    int maxDiff = 0;  // largest difference of one channel
};
// Compares the blue, green and red bytes of two BGRX buffers of equal size.
Difference compareBgrx(const std::uint8_t* a, const std::uint8_t* b, std::size_t pixels);

}  // namespace imaging::testing
