#pragma once

#include <cstdint>
#include <vector>

namespace playback {

// A picture's pixels as the fitter reads them: BGRX, rows bottom-up, stride
// width * 4.
struct PixelsView {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
};

// The part of a picture to show, in picture pixels (top-left origin);
// left == right and top == bottom mean the whole picture, letterboxed.
struct SourceRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool isWhole() const { return left == right && top == bottom; }
    bool operator==(const SourceRect&) const = default;
};

// Where the source window lies in the picture: x from the left, y from the
// bottom row (as bottom-up bitmaps count), and its size. It may reach past
// the picture (letterbox bars).
struct SourceWindow {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const SourceWindow&) const = default;
};

// The window a picture of pw x ph shows on a stageWidth x stageHeight stage.
SourceWindow sourceWindow(int pw, int ph, const SourceRect& rect, int stageWidth, int stageHeight);

// Fits pictures to the stage. Pictures larger than the stage are first
// reduced by averaging the source pixels each target pixel covers (a
// high-quality reduction standing where the system's halftone stretch stood),
// then a bilinear pass brings the result to exactly stage size; smaller
// pictures are enlarged by the bilinear pass alone. An overlay darkens the
// result. Scratch buffers are kept between calls: a show fits one picture per
// item and frames are large.
class PictureFitter {
  public:
    // Draws picture (and overlay, when it has pixels) into target, which is
    // stage-sized (width * height * 4 bytes, bottom-up). A picture without
    // pixels leaves the target black.
    void draw(const PixelsView& picture, const PixelsView& overlay, const SourceRect& rect,
              std::uint8_t* target, int stageWidth, int stageHeight);

  private:
    std::vector<std::uint8_t> intermediate_;
    std::vector<std::uint8_t> mask_;
    std::vector<std::uint64_t> columnSums_;
};

// Area-averaging resample of the source region [sx, sx + sw) x [sy, sy + sh)
// (bottom-up rows) onto the whole destination dw x dh; dw <= sw and dh <= sh.
void reduceByAveraging(const PixelsView& source, int sx, int sy, int sw, int sh,
                       std::uint8_t* destination, int dw, int dh, int destinationStride,
                       std::vector<std::uint64_t>& scratch);

}  // namespace playback
