#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The compound file layout ([MS-CFB]): constants shared by the reader and
// the writer, and the format's rules for element names.
namespace platform::storage {

inline constexpr std::uint8_t CFB_SIGNATURE[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
inline constexpr std::size_t CFB_HEADER_SIZE = 512;
inline constexpr std::size_t CFB_HEADER_DIFAT_ENTRIES = 109;
inline constexpr std::size_t CFB_DIRECTORY_ENTRY_SIZE = 128;
inline constexpr std::size_t CFB_MINI_SECTOR_SIZE = 64;
inline constexpr std::uint32_t CFB_MINI_STREAM_CUTOFF = 4096;
inline constexpr std::size_t CFB_MAX_NAME_UNITS = 31;  // UTF-16 units before the terminator

// Special sector numbers.
inline constexpr std::uint32_t CFB_MAXREGSECT = 0xFFFFFFFA;
inline constexpr std::uint32_t CFB_DIFSECT = 0xFFFFFFFC;
inline constexpr std::uint32_t CFB_FATSECT = 0xFFFFFFFD;
inline constexpr std::uint32_t CFB_ENDOFCHAIN = 0xFFFFFFFE;
inline constexpr std::uint32_t CFB_FREESECT = 0xFFFFFFFF;
inline constexpr std::uint32_t CFB_NOSTREAM = 0xFFFFFFFF;

// Directory entry object types.
inline constexpr std::uint8_t CFB_TYPE_UNUSED = 0;
inline constexpr std::uint8_t CFB_TYPE_STORAGE = 1;
inline constexpr std::uint8_t CFB_TYPE_STREAM = 2;
inline constexpr std::uint8_t CFB_TYPE_ROOT = 5;

inline constexpr std::uint8_t CFB_COLOR_RED = 0;
inline constexpr std::uint8_t CFB_COLOR_BLACK = 1;

// The format's order of sibling names: shorter names first, then code unit
// by code unit after upper-casing. Names that compare equal are the same
// name to the format. Returns <0, 0 or >0.
int compareElementNames(std::u16string_view a, std::u16string_view b);

// UTF-8 to UTF-16 and back; malformed sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);
std::string utf16ToUtf8(std::u16string_view text);

inline std::uint32_t loadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
inline std::uint16_t loadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline void storeLe32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}
inline void storeLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

}  // namespace platform::storage
