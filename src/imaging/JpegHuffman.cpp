#include "imaging/JpegHuffman.h"

#include <algorithm>
#include <new>

namespace imaging {

std::optional<std::string> buildJpegHuffmanTable(JpegHuffmanTable& table, JpegTableClass tableClass,
                                                 std::span<const std::uint8_t, 16> counts,
                                                 std::span<const std::uint8_t> symbols) {
    table.defined = false;
    table.first.fill(0);
    table.fastAc.fill(0);
    table.second.clear();

    std::size_t total = 0;
    for (std::uint8_t c : counts) {
        total += c;
    }
    if (total > symbols.size() || total > 256) {
        return "DHT lists " + std::to_string(total) + " codes";
    }
    if (tableClass == JpegTableClass::Dc) {
        for (std::size_t i = 0; i < total; ++i) {
            if (symbols[i] > 15) {
                return "DHT DC symbol " + std::to_string(symbols[i]) + " above 15";
            }
        }
    }

    constexpr int kLook = JPEG_HUFF_LOOKAHEAD;
    constexpr int kSecondSize = 1 << JPEG_HUFF_SECOND_BITS;
    std::uint32_t code = 0;
    std::size_t next = 0;
    for (int length = 1; length <= 16; ++length, code <<= 1) {
        for (int i = 0; i < counts[length - 1]; ++i, ++code, ++next) {
            if (code >= (1u << length)) {
                return "DHT code counts overflow at length " + std::to_string(length);
            }
            const std::uint8_t symbol = symbols[next];
            if (length <= kLook) {
                const std::uint32_t from = code << (kLook - length);
                const std::uint32_t count = 1u << (kLook - length);
                const auto entry = static_cast<std::uint16_t>(length << 8 | symbol);
                std::fill_n(table.first.begin() + from, count, entry);
                const int size = symbol & 15;
                if (tableClass == JpegTableClass::Ac && size != 0 && length + size <= kLook) {
                    for (std::uint32_t j = 0; j < count; ++j) {
                        const std::uint32_t extra = j >> (kLook - length - size);
                        std::int32_t value = static_cast<std::int32_t>(extra);
                        if (value < (1 << (size - 1))) {
                            value -= (1 << size) - 1;
                        }
                        table.fastAc[from + j] =
                            static_cast<std::int32_t>(static_cast<std::uint32_t>(value) << 16 |
                                                      static_cast<std::uint32_t>(symbol >> 4) << 4 |
                                                      static_cast<std::uint32_t>(length + size));
                    }
                }
                continue;
            }
            const std::uint32_t prefix = code >> (length - kLook);
            std::uint16_t& ref = table.first[prefix];
            if (!(ref & JpegHuffmanTable::kSecondLevel)) {
                // Canonical codes put every short code below this prefix, so
                // the entry is still unfilled here.
                const std::size_t index = table.second.size() / kSecondSize;
                try {
                    table.second.resize(table.second.size() + kSecondSize, 0);
                } catch (const std::bad_alloc&) {
                    return std::string("no memory for a Huffman table");
                }
                ref = static_cast<std::uint16_t>(JpegHuffmanTable::kSecondLevel | index);
            }
            const std::size_t base =
                static_cast<std::size_t>(ref & ~JpegHuffmanTable::kSecondLevel) * kSecondSize;
            const std::uint32_t from = (code << (16 - length)) & (kSecondSize - 1);
            std::fill_n(table.second.begin() + static_cast<std::ptrdiff_t>(base + from),
                        1u << (16 - length), static_cast<std::uint16_t>(length << 8 | symbol));
        }
    }
    table.defined = true;
    return std::nullopt;
}

}  // namespace imaging
