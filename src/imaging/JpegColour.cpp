#include "imaging/JpegColour.h"

#include "imaging/JpegTables.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace imaging {

namespace {

void greyRow(const std::uint8_t* y, int width, std::uint8_t* out) {
    for (int j = 0; j < width; ++j, out += 4) {
        out[0] = out[1] = out[2] = y[j];
        out[3] = 0;
    }
}

// Offsets from the tables; the same numbers feed both paths, so they agree.
void chromaOffsets(const std::uint8_t* cb, const std::uint8_t* cr, int count, std::int16_t* blue,
                   std::int16_t* green, std::int16_t* red) {
    const JpegColourTables& t = JpegColourTables::get();
    for (int j = 0; j < count; ++j) {
        blue[j] = t.blueFromCb[cb[j]];
        green[j] = static_cast<std::int16_t>(t.greenFromCb[cb[j]] + t.greenFromCr[cr[j]]);
        red[j] = t.redFromCr[cr[j]];
    }
}

void colourRowPortable(const std::uint8_t* y, const std::int16_t* blue, const std::int16_t* green,
                       const std::int16_t* red, int shiftX, int from, int width,
                       std::uint8_t* out) {
    const JpegRangeTable& clamp = JpegRangeTable::get();
    out += static_cast<std::ptrdiff_t>(from) * 4;
    for (int j = from; j < width; ++j, out += 4) {
        const int c = j >> shiftX;
        const int luma = y[j];
        out[0] = clamp(luma + blue[c]);
        out[1] = clamp(luma + green[c]);
        out[2] = clamp(luma + red[c]);
        out[3] = 0;
    }
}

#if defined(__SSE2__)
// trunc(f * c) for c = sample - 128, as sign(c) * (m |c| + (|c| * K >> 16)):
// for |c| <= 128 these constants give exactly the truncated products of the
// tables (checked over every sample by the tests).
struct TruncatedProduct {
    int whole;
    unsigned short fraction;
};
constexpr TruncatedProduct kBlueCb{1, 50596};   // 1.772
constexpr TruncatedProduct kGreenCb{0, 22556};  // 0.34414
constexpr TruncatedProduct kGreenCr{0, 46773};  // 0.71414
constexpr TruncatedProduct kRedCr{1, 26346};    // 1.402

inline __m128i truncatedProduct(__m128i magnitude, __m128i sign, TruncatedProduct f) {
    __m128i p = _mm_mulhi_epu16(magnitude, _mm_set1_epi16(static_cast<short>(f.fraction)));
    if (f.whole) {
        p = _mm_add_epi16(p, magnitude);
    }
    return _mm_sub_epi16(_mm_xor_si128(p, sign), sign);
}

// The same offsets as chromaOffsets(), eight samples at a time; the tail
// from the tables.
void chromaOffsetsSse2(const std::uint8_t* cb, const std::uint8_t* cr, int count,
                       std::int16_t* blue, std::int16_t* green, std::int16_t* red) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bias = _mm_set1_epi16(128);
    int j = 0;
    for (; j + 8 <= count; j += 8) {
        const __m128i b = _mm_sub_epi16(
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cb + j)), zero),
            bias);
        const __m128i r = _mm_sub_epi16(
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cr + j)), zero),
            bias);
        const __m128i bSign = _mm_srai_epi16(b, 15);
        const __m128i rSign = _mm_srai_epi16(r, 15);
        const __m128i bAbs = _mm_sub_epi16(_mm_xor_si128(b, bSign), bSign);
        const __m128i rAbs = _mm_sub_epi16(_mm_xor_si128(r, rSign), rSign);
        const __m128i g = _mm_add_epi16(truncatedProduct(bAbs, bSign, kGreenCb),
                                        truncatedProduct(rAbs, rSign, kGreenCr));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(blue + j),
                         truncatedProduct(bAbs, bSign, kBlueCb));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(green + j), _mm_sub_epi16(zero, g));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(red + j),
                         truncatedProduct(rAbs, rSign, kRedCr));
    }
    chromaOffsets(cb + j, cr + j, count - j, blue + j, green + j, red + j);
}

// 16 pixels per step; returns how many pixels it wrote.
int colourRowSse2(const std::uint8_t* y, const std::int16_t* blue, const std::int16_t* green,
                  const std::int16_t* red, int shiftX, int width, std::uint8_t* out) {
    const __m128i zero = _mm_setzero_si128();
    int j = 0;
    for (; j + 16 <= width; j += 16) {
        const __m128i luma = _mm_loadu_si128(reinterpret_cast<const __m128i*>(y + j));
        const __m128i yLo = _mm_unpacklo_epi8(luma, zero);
        const __m128i yHi = _mm_unpackhi_epi8(luma, zero);
        __m128i bLo, bHi, gLo, gHi, rLo, rHi;
        if (shiftX == 1) {
            const int c = j >> 1;
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + c));
            const __m128i g = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + c));
            const __m128i r = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + c));
            bLo = _mm_unpacklo_epi16(b, b);
            bHi = _mm_unpackhi_epi16(b, b);
            gLo = _mm_unpacklo_epi16(g, g);
            gHi = _mm_unpackhi_epi16(g, g);
            rLo = _mm_unpacklo_epi16(r, r);
            rHi = _mm_unpackhi_epi16(r, r);
        } else {
            bLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + j));
            bHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(blue + j + 8));
            gLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + j));
            gHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(green + j + 8));
            rLo = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + j));
            rHi = _mm_loadu_si128(reinterpret_cast<const __m128i*>(red + j + 8));
        }
        // Saturating packs clamp to 0..255 exactly as the range table does.
        const __m128i B = _mm_packus_epi16(_mm_add_epi16(yLo, bLo), _mm_add_epi16(yHi, bHi));
        const __m128i G = _mm_packus_epi16(_mm_add_epi16(yLo, gLo), _mm_add_epi16(yHi, gHi));
        const __m128i R = _mm_packus_epi16(_mm_add_epi16(yLo, rLo), _mm_add_epi16(yHi, rHi));
        const __m128i bgLo = _mm_unpacklo_epi8(B, G);
        const __m128i bgHi = _mm_unpackhi_epi8(B, G);
        const __m128i rxLo = _mm_unpacklo_epi8(R, zero);
        const __m128i rxHi = _mm_unpackhi_epi8(R, zero);
        __m128i* o = reinterpret_cast<__m128i*>(out + static_cast<std::ptrdiff_t>(j) * 4);
        _mm_storeu_si128(o + 0, _mm_unpacklo_epi16(bgLo, rxLo));
        _mm_storeu_si128(o + 1, _mm_unpackhi_epi16(bgLo, rxLo));
        _mm_storeu_si128(o + 2, _mm_unpacklo_epi16(bgHi, rxHi));
        _mm_storeu_si128(o + 3, _mm_unpackhi_epi16(bgHi, rxHi));
    }
    return j;
}
#endif

}  // namespace

void JpegColourConverter::convert(const JpegPlaneBand& band, int rows, int width, std::uint8_t* out,
                                  std::ptrdiff_t outStride, KernelPath path) {
    if (band.cb == nullptr) {
        for (int i = 0; i < rows; ++i) {
            greyRow(band.y + static_cast<std::size_t>(i) * band.yStride, width,
                    out - i * outStride);
        }
        return;
    }
    const int chromaWidth = ((width - 1) >> band.chromaShiftX) + 1;
    // Padding lets the vector loop read whole groups past the last sample.
    const std::size_t needed = static_cast<std::size_t>(chromaWidth) + 16;
    if (blue_.size() < needed) {
        blue_.resize(needed);
        green_.resize(needed);
        red_.resize(needed);
    }
    const bool simd = usableKernelPath(path) == KernelPath::Sse2;
    int offsetsRow = -1;
    for (int i = 0; i < rows; ++i) {
        const int chromaRow = i >> band.chromaShiftY;
        if (chromaRow != offsetsRow) {
            const std::size_t at = static_cast<std::size_t>(chromaRow) * band.chromaStride;
#if defined(__SSE2__)
            if (simd) {
                chromaOffsetsSse2(band.cb + at, band.cr + at, chromaWidth, blue_.data(),
                                  green_.data(), red_.data());
            } else
#endif
            {
                chromaOffsets(band.cb + at, band.cr + at, chromaWidth, blue_.data(), green_.data(),
                              red_.data());
            }
            offsetsRow = chromaRow;
        }
        const std::uint8_t* y = band.y + static_cast<std::size_t>(i) * band.yStride;
        std::uint8_t* row = out - i * outStride;
        int done = 0;
#if defined(__SSE2__)
        if (simd) {
            done = colourRowSse2(y, blue_.data(), green_.data(), red_.data(), band.chromaShiftX,
                                 width, row);
        }
#endif
        (void)simd;
        colourRowPortable(y, blue_.data(), green_.data(), red_.data(), band.chromaShiftX, done,
                          width, row);
    }
}

}  // namespace imaging
