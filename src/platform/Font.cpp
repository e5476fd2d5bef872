#include "platform/Font.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/FontMatch.h"
#include "platform/TextEncoding.h"

namespace platform {

namespace {

// Bigger requests are drawn at this size (twice the tallest stage): glyph
// strips grow with the square of the height, and a film's stored height is
// not trusted.
constexpr int MAX_PIXEL_HEIGHT = 2048;
constexpr int DEFAULT_EM = 12;
// Windows counts 600 and up as bold.
constexpr int BOLD_WEIGHT = 600;

// The language fontconfig must cover for the East Asian character sets.
std::string languageOf(std::uint8_t charSet) {
    switch (charSet) {
        case 128:  // SHIFTJIS_CHARSET
            return "ja";
        case 129:  // HANGUL_CHARSET
        case 130:  // JOHAB_CHARSET
            return "ko";
        case 134:  // GB2312_CHARSET
            return "zh-cn";
        case 136:  // CHINESEBIG5_CHARSET
            return "zh-tw";
        default:
            return {};
    }
}

// The first code point of UTF-8 text; U+FFFD when there is none.
char32_t firstCodePoint(const std::string& utf8) {
    if (utf8.empty()) {
        return 0xFFFD;
    }
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(utf8[k]); };
    const unsigned char lead = byte(0);
    const int length = lead < 0x80           ? 1
                       : (lead >> 5) == 0x6  ? 2
                       : (lead >> 4) == 0xE  ? 3
                       : (lead >> 3) == 0x1E ? 4
                                             : 0;
    if (length == 0 || utf8.size() < static_cast<std::size_t>(length)) {
        return 0xFFFD;
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        code = (code << 6) | (byte(static_cast<std::size_t>(k)) & 0x3F);
    }
    return code;
}

int scaled(long fontUnits, double scale) {
    return static_cast<int>(std::lround(static_cast<double>(fontUnits) * scale));
}

}  // namespace

struct Font::Glyph {
    int advance = 0;
    int left = 0;  // ink box relative to the pen and baseline
    int top = 0;
    int width = 0;
    int rows = 0;
    std::vector<std::uint8_t> ink;  // 1 where inked, rows top-down
};

struct Font::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::string file;
    unsigned codePage = 1252;
    bool boldSimulated = false;
    bool italicSimulated = false;
    int underlinePosition = 0;  // pixels below the baseline
    int underlineThickness = 1;
    int strikePosition = 0;  // pixels above the baseline
    int strikeThickness = 1;
    bool underline = false;
    bool strikeOut = false;
    std::unordered_map<std::uint16_t, std::optional<Glyph>> glyphs;

    ~Impl() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

std::unique_ptr<Font> Font::create(const LogFont& logFont, std::string* error) {
    auto fail = [error](std::string why) -> std::unique_ptr<Font> {
        if (error != nullptr) {
            *error = std::move(why);
        }
        return nullptr;
    };
    const int weight = logFont.weight <= 0 ? 400 : std::min(logFont.weight, 1000);
    const auto match =
        matchFontFile(logFont.faceName, weight, logFont.italic, languageOf(logFont.charSet));
    if (!match) {
        return fail("no font matches \"" + logFont.faceName + "\"");
    }
    auto impl = std::make_unique<Impl>();
    impl->file = match->path;
    impl->codePage = logFont.codePage;
    if (FT_Init_FreeType(&impl->library) != 0 ||
        FT_New_Face(impl->library, impl->file.c_str(), match->index, &impl->face) != 0) {
        return fail("cannot load the font " + impl->file);
    }
    FT_Face face = impl->face;
    if (!FT_IS_SCALABLE(face) || face->units_per_EM == 0) {
        return fail("the font " + impl->file + " is not scalable");
    }
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    // Windows measures the cell with the OS/2 table's Windows ascent and descent.
    long winAscent = face->ascender;
    long winDescent = -face->descender;
    if (os2 != nullptr && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
        winAscent = os2->usWinAscent;
        winDescent = os2->usWinDescent;
    }
    const long cellUnits = std::max(1L, winAscent + winDescent);
    const double upem = face->units_per_EM;
    double em = DEFAULT_EM;
    if (logFont.height < 0) {
        em = std::min<double>(-static_cast<double>(logFont.height), MAX_PIXEL_HEIGHT);
    } else if (logFont.height > 0) {
        em = std::min(logFont.height, MAX_PIXEL_HEIGHT) * upem / static_cast<double>(cellUnits);
    }
    const auto ppem = static_cast<FT_UInt>(std::max(1L, std::lround(em)));
    if (FT_Set_Pixel_Sizes(face, 0, ppem) != 0) {
        return fail("the font " + impl->file + " has no size " + std::to_string(ppem));
    }
    const double scale = ppem / upem;
    impl->boldSimulated = weight >= BOLD_WEIGHT && (face->style_flags & FT_STYLE_FLAG_BOLD) == 0;
    impl->italicSimulated = logFont.italic && (face->style_flags & FT_STYLE_FLAG_ITALIC) == 0;
    if (impl->italicSimulated) {
        FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};
        FT_Set_Transform(face, &shear, nullptr);
    }
    impl->underline = logFont.underline;
    impl->strikeOut = logFont.strikeOut;
    impl->underlinePosition = std::max(0, scaled(-face->underline_position, scale));
    impl->underlineThickness = std::max(1, scaled(face->underline_thickness, scale));
    impl->strikePosition = static_cast<int>(ppem) / 3;
    impl->strikeThickness = impl->underlineThickness;
    if (os2 != nullptr && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        impl->strikePosition = scaled(os2->yStrikeoutPosition, scale);
        impl->strikeThickness = std::max(1, scaled(os2->yStrikeoutSize, scale));
    }

    TextMetrics m;
    m.ascent = scaled(winAscent, scale);
    m.descent = scaled(winDescent, scale);
    m.height = m.ascent + m.descent;
    m.internalLeading = std::max(0, m.height - static_cast<int>(ppem));
    if (hhea != nullptr) {
        const long gap =
            hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
        m.externalLeading = std::max(0, scaled(gap, scale));
        m.maxCharWidth = scaled(hhea->advance_Width_Max, scale);
    } else {
        m.maxCharWidth = scaled(face->max_advance_width, scale);
    }
    if (os2 != nullptr && os2->version != 0xFFFF && os2->xAvgCharWidth > 0) {
        m.aveCharWidth = scaled(os2->xAvgCharWidth, scale);
    }
    auto font = std::unique_ptr<Font>(new Font(std::move(impl)));
    if (m.aveCharWidth == 0) {
        m.aveCharWidth = font->textExtent('x').cx;
    }
    if (font->impl_->boldSimulated) {
        ++m.maxCharWidth;
        ++m.aveCharWidth;
    }
    font->metrics_ = m;
    return font;
}

Font::Font(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
Font::~Font() = default;

const std::string& Font::fontFile() const {
    return impl_->file;
}

const Font::Glyph* Font::glyph(std::uint16_t code) {
    auto found = impl_->glyphs.find(code);
    if (found != impl_->glyphs.end()) {
        return found->second ? &*found->second : nullptr;
    }
    std::optional<Glyph> loaded;
    std::string bytes;
    if (code > 0xFF) {
        bytes.push_back(static_cast<char>(code >> 8));
    }
    bytes.push_back(static_cast<char>(code & 0xFF));
    const char32_t codePoint = firstCodePoint(ansiToUtf8(bytes, impl_->codePage));
    FT_Face face = impl_->face;
    const FT_UInt index = FT_Get_Char_Index(face, codePoint);
    if (FT_Load_Glyph(face, index, FT_LOAD_TARGET_MONO | FT_LOAD_NO_BITMAP) == 0) {
        FT_GlyphSlot slot = face->glyph;
        if (impl_->boldSimulated && slot->format == FT_GLYPH_FORMAT_OUTLINE) {
            FT_Outline_Embolden(&slot->outline,
                                std::max<FT_Pos>(64, face->size->metrics.y_ppem * 2));
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) == 0) {
            Glyph g;
            // The outline's own advance, rounded: hinting for one-bit output
            // moves advances away from the widths the Windows faces have,
            // which the metric-compatible fonts share.
            g.advance = static_cast<int>((slot->linearHoriAdvance + 0x8000) >> 16) +
                        (impl_->boldSimulated ? 1 : 0);
            g.left = slot->bitmap_left;
            g.top = slot->bitmap_top;
            const FT_Bitmap& bitmap = slot->bitmap;
            g.width = static_cast<int>(bitmap.width);
            g.rows = static_cast<int>(bitmap.rows);
            g.ink.resize(static_cast<std::size_t>(g.width) * static_cast<std::size_t>(g.rows));
            for (int r = 0; r < g.rows; ++r) {
                const unsigned char* row = bitmap.buffer + static_cast<long>(r) * bitmap.pitch;
                for (int c = 0; c < g.width; ++c) {
                    g.ink[static_cast<std::size_t>(r * g.width + c)] =
                        static_cast<std::uint8_t>((row[c >> 3] >> (7 - (c & 7))) & 1);
                }
            }
            loaded = std::move(g);
        }
    }
    auto& stored = impl_->glyphs[code] = std::move(loaded);
    return stored ? &*stored : nullptr;
}

TextExtent Font::textExtent(std::uint16_t code) {
    const Glyph* g = glyph(code);
    return {g != nullptr ? g->advance : 0, metrics_.height};
}

std::optional<AbcWidths> Font::abcWidths(std::uint16_t code) {
    const Glyph* g = glyph(code);
    if (g == nullptr) {
        return std::nullopt;
    }
    return AbcWidths{g->left, g->width, g->advance - g->left - g->width};
}

void Font::draw(const GreyImage& image, int x, int baseline, std::uint16_t code) {
    const Glyph* g = glyph(code);
    if (g == nullptr || image.pixels == nullptr) {
        return;
    }
    auto plot = [&](int px, int py) {
        if (px >= 0 && px < image.width && py >= 0 && py < image.height) {
            image.pixels[static_cast<std::size_t>(image.height - 1 - py) * image.stride + px] = 0;
        }
    };
    for (int r = 0; r < g->rows; ++r) {
        for (int c = 0; c < g->width; ++c) {
            if (g->ink[static_cast<std::size_t>(r * g->width + c)] != 0) {
                plot(x + g->left + c, baseline - g->top + r);
            }
        }
    }
    auto bar = [&](int top, int thickness) {
        for (int r = 0; r < thickness; ++r) {
            for (int c = 0; c < g->advance; ++c) {
                plot(x + c, top + r);
            }
        }
    };
    if (impl_->underline) {
        bar(baseline + impl_->underlinePosition, impl_->underlineThickness);
    }
    if (impl_->strikeOut) {
        bar(baseline - impl_->strikePosition, impl_->strikeThickness);
    }
}

}  // namespace platform
