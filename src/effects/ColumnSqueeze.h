#pragma once

#include "effects/FrameBlocks.h"
#include "effects/PixelPath.h"

namespace effects {

// Where one output column of a vertical squeeze comes from: a source column
// (its pixel in row 0) resampled nearest-neighbour into rows inset ..
// height - inset - 1; output row j of the run shows source row
// j * height / (height - 2 * inset).
struct ColumnSource {
    const Pixel* column = nullptr;
    int inset = 0;
};

// Squeezes output columns first .. end - 1 of `out` (width w, height h) from
// sources[first .. end - 1], whole pixels, black above and below each run.
// Works on 16 columns at a time, so that each line of `out` is written whole
// and neighbouring columns share the lines they read. The fast path steps
// four columns at once with gathers where the processor has AVX2; the plain
// path is the reference it is tested against.
void squeezeColumns(Pixel* out, int w, int h, const ColumnSource* sources, int first, int end,
                    PixelPath path = PixelPath::Fast);

}  // namespace effects
