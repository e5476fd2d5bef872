#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace imaging {

// A Huffman table as two-level lookups: the next JPEG_HUFF_LOOKAHEAD bits of
// the stream index the first level, whose entry is either (symbol, code
// length) or a reference to a second-level array indexed by the bits after
// them. Unfilled entries decode as symbol 0 of length 0. AC tables also get
// a combined table that yields run, value and total length at once when a
// code and its extra bits fit the lookahead.
inline constexpr int JPEG_HUFF_LOOKAHEAD = 9;
inline constexpr int JPEG_HUFF_SECOND_BITS = 16 - JPEG_HUFF_LOOKAHEAD;

struct JpegHuffmanTable {
    // Direct entries: code length << 8 | symbol. References: kSecondLevel |
    // index of the second-level array.
    static constexpr std::uint16_t kSecondLevel = 0x8000;

    bool defined = false;
    std::array<std::uint16_t, 1 << JPEG_HUFF_LOOKAHEAD> first{};
    std::vector<std::uint16_t> second;  // 1 << JPEG_HUFF_SECOND_BITS entries per array
    // AC only: value << 16 | run << 4 | total length; 0 = use the slow way.
    std::array<std::int32_t, 1 << JPEG_HUFF_LOOKAHEAD> fastAc{};
};

enum class JpegTableClass { Dc, Ac };

// Builds table from the 16 code counts (lengths 1..16) and the symbols in
// canonical order. A reason when the counts describe no prefix code (more
// codes of some length than there is room for) or a DC symbol is above 15.
std::optional<std::string> buildJpegHuffmanTable(JpegHuffmanTable& table, JpegTableClass tableClass,
                                                 std::span<const std::uint8_t, 16> counts,
                                                 std::span<const std::uint8_t> symbols);

}  // namespace imaging
