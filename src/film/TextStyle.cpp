#include "film/TextStyle.h"

#include <algorithm>
#include <cstring>

namespace film {

namespace {
constexpr std::size_t FACE_OFFSET = 36;
constexpr std::size_t FACE_SIZE = 32;
}  // namespace

std::int32_t TextStyle::int32At(std::size_t offset) const {
    const std::uint32_t v = static_cast<std::uint32_t>(bytes_[offset]) |
                            static_cast<std::uint32_t>(bytes_[offset + 1]) << 8 |
                            static_cast<std::uint32_t>(bytes_[offset + 2]) << 16 |
                            static_cast<std::uint32_t>(bytes_[offset + 3]) << 24;
    return static_cast<std::int32_t>(v);
}

void TextStyle::setInt32At(std::size_t offset, std::int32_t value) {
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) {
        bytes_[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

std::string TextStyle::faceName() const {
    const auto* begin = bytes_.data() + FACE_OFFSET;
    const auto* end = std::find(begin, begin + FACE_SIZE, std::uint8_t{0});
    return std::string(begin, end);
}

void TextStyle::setPosition(std::int32_t x, std::int32_t y) {
    setInt32At(0, x);
    setInt32At(4, y);
}

void TextStyle::setFont(std::int32_t height, std::int32_t weight, bool italic, std::uint8_t charSet,
                        const std::string& faceName) {
    setInt32At(8, height);
    setInt32At(24, weight);
    bytes_[28] = italic ? 1 : 0;
    bytes_[31] = charSet;
    std::fill_n(bytes_.data() + FACE_OFFSET, FACE_SIZE, std::uint8_t{0});
    std::memcpy(bytes_.data() + FACE_OFFSET, faceName.data(),
                std::min(faceName.size(), FACE_SIZE - 1));
}

void TextStyle::setBlockSize(std::int32_t width, std::int32_t height) {
    setInt32At(84, width);
    setInt32At(88, height);
}

unsigned codePageForCharSet(std::uint8_t charSet) {
    switch (charSet) {
        case 128:  // SHIFTJIS_CHARSET
            return 932;
        case 129:  // HANGUL_CHARSET
            return 949;
        case 130:  // JOHAB_CHARSET
            return 1361;
        case 134:  // GB2312_CHARSET
            return 936;
        case 136:  // CHINESEBIG5_CHARSET
            return 950;
        case 161:  // GREEK_CHARSET
            return 1253;
        case 162:  // TURKISH_CHARSET
            return 1254;
        case 163:  // VIETNAMESE_CHARSET
            return 1258;
        case 177:  // HEBREW_CHARSET
            return 1255;
        case 178:  // ARABIC_CHARSET
            return 1256;
        case 186:  // BALTIC_CHARSET
            return 1257;
        case 204:  // RUSSIAN_CHARSET
            return 1251;
        case 222:  // THAI_CHARSET
            return 874;
        case 238:  // EASTEUROPE_CHARSET
            return 1250;
        case 77:  // MAC_CHARSET
            return 10000;
        case 255:  // OEM_CHARSET
            return 437;
        default:  // ANSI, DEFAULT and SYMBOL: the films' Western system code page
            return 1252;
    }
}

}  // namespace film
