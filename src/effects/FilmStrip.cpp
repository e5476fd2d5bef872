#include "effects/FilmStrip.h"

#include <algorithm>
#include <cstdint>

#include "effects/PictureRows.h"

namespace effects {

namespace {

// The strip's proportions for a picture size.
struct StripLayout {
    int band;        // rows of each band: the first rows and the last rows
    int bar;         // columns of each side bar
    int run;         // pixels of each perforation run (at least 1)
    int holesBegin;  // perforation rows within a band: [holesBegin, holesEnd)
    int holesEnd;

    StripLayout(int width, int height)
        : band(height / 8),
          bar(width / 16),
          run(std::max(band / 3, 1)),
          holesBegin(band / 3),
          holesEnd(2 * band / 3) {}

    // What a memory row is: a solid band row, a perforation row or neither.
    enum class Row { Picture, Solid, Holes };
    Row kind(int row, int height) const {
        int inBand = -1;
        if (row < band) {
            inBand = row;
        } else if (row >= height - band) {
            inBand = row - (height - band);
        }
        if (inBand < 0) {
            return Row::Picture;
        }
        return inBand >= holesBegin && inBand < holesEnd ? Row::Holes : Row::Solid;
    }
};

// v * f >> 6 in each colour byte, the fourth byte kept.
Pixel darken(Pixel p, int f) {
    Pixel result = p & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int v = static_cast<int>((p >> shift) & 0xFF);
        result |= static_cast<Pixel>((v * f) >> 6) << shift;
    }
    return result;
}

// ((f * (v - 255)) >> 6) - 1 in each colour byte, kept to its low byte, so
// that the hole is white at f = 0; the fourth byte kept.
Pixel punch(Pixel p, int f) {
    Pixel result = p & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const int v = static_cast<int>((p >> shift) & 0xFF);
        result |= (static_cast<Pixel>(((f * (v - 255)) >> 6) - 1) & 0xFF) << shift;
    }
    return result;
}

}  // namespace

int FilmStrip::frame(const PictureFrameBlock& block) {
    const std::int64_t elapsed = block.elapsed;
    const std::int64_t duration = block.duration;
    const int phase = static_cast<int>(elapsed * 8 / duration);
    if (phase == 0) {
        const int e = static_cast<int>(elapsed * 504 / duration);
        drawFilmLook(block, block.from, 63 - e);
    } else if (phase >= 7) {
        const int e = static_cast<int>(504 - elapsed * 504 / duration);
        drawFilmLook(block, block.to, 63 - e);
    } else {
        const std::int64_t offset = block.width * (8 * elapsed - duration) / duration / -6;
        drawSlide(block, static_cast<int>(offset));
    }
    return 0;
}

// The picture with the strip drawn into it at strength f: 63 leaves it
// nearly as it is, 0 gives the full look.
void FilmStrip::drawFilmLook(const PictureFrameBlock& block, const Pixel* picture,
                             int strength) const {
    const int w = block.width;
    const int h = block.height;
    const StripLayout layout(w, h);
    copyPicture(block, picture);
    const int bar = std::min(layout.bar, w);
    for (int row = 0; row < h; ++row) {
        Pixel* out = rowOf(block.out, w, row);
        switch (layout.kind(row, h)) {
            case StripLayout::Row::Solid:
                for (int x = 0; x < w; ++x) {
                    out[x] = darken(out[x], strength);
                }
                break;
            case StripLayout::Row::Holes:
                for (int x = 0; x < w; ++x) {
                    const bool hole = (x / layout.run) % 2 == 0;
                    out[x] = hole ? punch(out[x], strength) : darken(out[x], strength);
                }
                break;
            case StripLayout::Row::Picture:
                for (int x = 0; x < bar; ++x) {
                    out[x] = darken(out[x], strength);
                    out[w - 1 - x] = darken(out[w - 1 - x], strength);
                }
                break;
        }
    }
}

// The strip moved `offset` columns (0 down to -W): `from` at columns
// offset to offset + W - 1, `to` right after it.
void FilmStrip::drawSlide(const PictureFrameBlock& block, int offset) const {
    const int w = block.width;
    const int h = block.height;
    const StripLayout layout(w, h);
    const int fromColumns = std::clamp(w + offset, 0, w);
    // The perforations travel with the strip: strip position x - offset.
    const int start = (-offset) % layout.run;
    const int firstRunParity = (-(offset / layout.run)) % 2;
    const auto clippedBar = [w](Pixel* out, int begin, int length) {
        const int first = std::clamp(begin, 0, w);
        const int last = std::clamp(begin + length, 0, w);
        fillPixels(out + first, BLACK, last - first);
    };
    for (int row = 0; row < h; ++row) {
        Pixel* out = rowOf(block.out, w, row);
        switch (layout.kind(row, h)) {
            case StripLayout::Row::Solid:
                fillPixels(out, BLACK, w);
                break;
            case StripLayout::Row::Holes:
                for (int x = 0; x < w; ++x) {
                    const int runIndex = (start + x) / layout.run;
                    out[x] = (runIndex + firstRunParity) % 2 == 0 ? WHITE : BLACK;
                }
                break;
            case StripLayout::Row::Picture:
                copyPixels(out, rowOf(block.from, w, row) + (w - fromColumns), fromColumns);
                copyPixels(out + fromColumns, rowOf(block.to, w, row), w - fromColumns);
                clippedBar(out, offset, layout.bar);
                clippedBar(out, offset + w - layout.bar, layout.bar);
                clippedBar(out, offset + w, layout.bar);
                clippedBar(out, offset + 2 * w - layout.bar, layout.bar);
                break;
        }
    }
}

}  // namespace effects
