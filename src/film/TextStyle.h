#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace film {

// How one title text looks: 96 bytes kept exactly as the film stores them
// (little-endian), with typed access to the fields the viewer reads. The
// font part is laid out as a Windows LOGFONTA.
class TextStyle {
  public:
    static constexpr std::size_t SIZE = 96;
    using Bytes = std::array<std::uint8_t, SIZE>;

    TextStyle() { bytes_.fill(0); }
    explicit TextStyle(const Bytes& bytes) : bytes_(bytes) {}

    const Bytes& bytes() const { return bytes_; }
    bool operator==(const TextStyle&) const = default;

    // Top-left corner of the text block on the 800 x 600 design canvas.
    std::int32_t x() const { return int32At(0); }
    std::int32_t y() const { return int32At(4); }
    // LOGFONTA fields.
    std::int32_t fontHeight() const { return int32At(8); }
    std::int32_t fontWidth() const { return int32At(12); }
    std::int32_t escapement() const { return int32At(16); }
    std::int32_t orientation() const { return int32At(20); }
    std::int32_t weight() const { return int32At(24); }
    bool italic() const { return bytes_[28] != 0; }
    bool underline() const { return bytes_[29] != 0; }
    bool strikeOut() const { return bytes_[30] != 0; }
    std::uint8_t charSet() const { return bytes_[31]; }
    std::uint8_t quality() const { return bytes_[34]; }
    std::uint8_t pitchAndFamily() const { return bytes_[35]; }
    // The face name's raw bytes up to the first zero (at most 32).
    std::string faceName() const;
    // A Windows COLORREF: red in the low byte.
    std::uint32_t colour() const { return static_cast<std::uint32_t>(int32At(68)); }
    std::int32_t lineSpacing() const { return int32At(72); }  // percent of the text height
    std::int32_t alignment() const { return int32At(76); }    // see TEXT_ALIGN_*
    bool shadow() const { return int32At(80) != 0; }
    // Written by the text layout at play time; stored values mean nothing.
    std::int32_t blockWidth() const { return int32At(84); }
    std::int32_t blockHeight() const { return int32At(88); }

    void setPosition(std::int32_t x, std::int32_t y);
    void setFont(std::int32_t height, std::int32_t weight, bool italic, std::uint8_t charSet,
                 const std::string& faceName);
    void setColour(std::uint32_t colourRef) {
        setInt32At(68, static_cast<std::int32_t>(colourRef));
    }
    void setLineSpacing(std::int32_t percent) { setInt32At(72, percent); }
    void setAlignment(std::int32_t alignment) { setInt32At(76, alignment); }
    void setShadow(bool on) { setInt32At(80, on ? 1 : 0); }
    void setBlockSize(std::int32_t width, std::int32_t height);

    std::int32_t int32At(std::size_t offset) const;
    void setInt32At(std::size_t offset, std::int32_t value);

  private:
    Bytes bytes_;
};

// Line alignment values; any other value centres.
inline constexpr std::int32_t TEXT_ALIGN_LEFT = 0;
inline constexpr std::int32_t TEXT_ALIGN_RIGHT = 2;

// The Windows code page that a LOGFONT character set implies for a text's
// bytes (1252 for the default set, 932 for Shift-JIS, ...).
unsigned codePageForCharSet(std::uint8_t charSet);

}  // namespace film
