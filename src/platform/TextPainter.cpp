#include "platform/TextPainter.h"

#include "platform/FontMatch.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace platform {

namespace {

// Decodes one UTF-8 sequence; malformed bytes come out as U+FFFD.
char32_t nextCodePoint(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    int length = lead < 0x80           ? 1
                 : (lead >> 5) == 0x6  ? 2
                 : (lead >> 4) == 0xE  ? 3
                 : (lead >> 3) == 0x1E ? 4
                                       : 0;
    if (length == 0 || i + length > text.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (int k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        code = (code << 6) | (byte(i + k) & 0x3F);
    }
    i += static_cast<std::size_t>(length);
    return code;
}

}  // namespace

struct TextPainter::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    std::string file;
    ~Impl() {
        if (face != nullptr) {
            FT_Done_Face(face);
        }
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
};

std::unique_ptr<TextPainter> TextPainter::open(const FontRequest& request, std::string* error) {
    auto fail = [error](std::string why) -> std::unique_ptr<TextPainter> {
        if (error != nullptr) {
            *error = std::move(why);
        }
        return nullptr;
    };
    const auto match = matchFontFile(request.faceName, request.bold ? 700 : 400, request.italic);
    if (!match) {
        return fail("no font matches \"" + request.faceName + "\"");
    }
    auto impl = std::make_unique<Impl>();
    impl->file = match->path;
    if (FT_Init_FreeType(&impl->library) != 0 ||
        FT_New_Face(impl->library, impl->file.c_str(), match->index, &impl->face) != 0 ||
        FT_Set_Pixel_Sizes(impl->face, 0, static_cast<FT_UInt>(std::max(1, request.pixelHeight))) !=
            0) {
        return fail("cannot load the font " + impl->file);
    }
    return std::unique_ptr<TextPainter>(new TextPainter(std::move(impl)));
}

TextPainter::TextPainter(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TextPainter::~TextPainter() = default;

const std::string& TextPainter::fontFile() const {
    return impl_->file;
}

int TextPainter::ascent() const {
    return static_cast<int>(impl_->face->size->metrics.ascender >> 6);
}

int TextPainter::lineHeight() const {
    return static_cast<int>(impl_->face->size->metrics.height >> 6);
}

int TextPainter::measure(std::string_view utf8) {
    long advance = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        if (FT_Load_Char(impl_->face, nextCodePoint(utf8, i), FT_LOAD_DEFAULT) == 0) {
            advance += impl_->face->glyph->advance.x;
        }
    }
    return static_cast<int>(advance >> 6);
}

void TextPainter::draw(const Canvas& canvas, int x, int y, std::string_view utf8,
                       std::uint32_t rgb) {
    const int baseline = y + ascent();
    long penX = static_cast<long>(x) << 6;
    const int red = (rgb >> 16) & 0xFF, green = (rgb >> 8) & 0xFF, blue = rgb & 0xFF;
    for (std::size_t i = 0; i < utf8.size();) {
        if (FT_Load_Char(impl_->face, nextCodePoint(utf8, i), FT_LOAD_RENDER) != 0) {
            continue;
        }
        const FT_GlyphSlot glyph = impl_->face->glyph;
        const FT_Bitmap& bitmap = glyph->bitmap;
        const int left = static_cast<int>(penX >> 6) + glyph->bitmap_left;
        const int top = baseline - glyph->bitmap_top;
        for (unsigned row = 0; row < bitmap.rows; ++row) {
            const int screenY = top + static_cast<int>(row);
            if (screenY < 0 || screenY >= canvas.height) {
                continue;
            }
            // Rows are stored bottom-up.
            std::uint8_t* line =
                canvas.pixels +
                static_cast<std::size_t>(canvas.height - 1 - screenY) * canvas.width * 4;
            for (unsigned column = 0; column < bitmap.width; ++column) {
                const int screenX = left + static_cast<int>(column);
                if (screenX < 0 || screenX >= canvas.width) {
                    continue;
                }
                const int coverage = bitmap.buffer[row * bitmap.pitch + column];
                std::uint8_t* pixel = line + screenX * 4;
                pixel[0] = static_cast<std::uint8_t>(pixel[0] + (blue - pixel[0]) * coverage / 255);
                pixel[1] =
                    static_cast<std::uint8_t>(pixel[1] + (green - pixel[1]) * coverage / 255);
                pixel[2] = static_cast<std::uint8_t>(pixel[2] + (red - pixel[2]) * coverage / 255);
            }
        }
        penX += glyph->advance.x;
    }
}

}  // namespace platform
