#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

namespace imaging::testing {

// Writes JPEG files marker by marker, for fixtures that show one fault.
class JpegBuilder {
  public:
    struct FrameComponent {
        int id, h, v, tq;
    };
    struct ScanComponent {
        int id, td, ta;
    };

    JpegBuilder& marker(std::uint8_t code);
    JpegBuilder& segment(std::uint8_t code, const std::vector<std::uint8_t>& payload);
    JpegBuilder& raw(std::initializer_list<std::uint8_t> bytes);
    JpegBuilder& raw(const std::vector<std::uint8_t>& bytes);
    JpegBuilder& soi() { return marker(0xD8); }
    JpegBuilder& eoi() { return marker(0xD9); }
    JpegBuilder& dqt(int id, const std::array<std::uint16_t, 64>& values, bool sixteenBit = false);
    JpegBuilder& sof(int width, int height, const std::vector<FrameComponent>& components,
                     std::uint8_t code = 0xC0, int precision = 8);
    JpegBuilder& dht(int tableClass, int id, const std::array<std::uint8_t, 16>& counts,
                     const std::vector<std::uint8_t>& symbols);
    JpegBuilder& dri(int interval);
    JpegBuilder& sos(const std::vector<ScanComponent>& components);

    // The tables the fixtures' entropy data use: DC categories 0..11 as
    // 4-bit codes equal to the category; AC symbols as 8-bit codes equal to
    // their index in kAcSymbols.
    JpegBuilder& simpleTables(int id = 0);

    std::vector<std::uint8_t> bytes;
};

inline const std::vector<std::uint8_t> kAcSymbols = {
    0x00, 0xF0, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x11, 0x21, 0x31, 0xF1, 0x10, 0xE1};

// Entropy-coded data for simpleTables: bits most significant first, padded
// with ones, 0xFF stuffed.
class EntropyWriter {
  public:
    // One block: the DC difference, then (run, value) pairs, then end of
    // block unless the last pair reached position 63.
    EntropyWriter& block(int dcDifference, const std::vector<std::pair<int, int>>& ac = {},
                         bool endOfBlock = true);
    EntropyWriter& symbolAc(std::uint8_t symbol);
    EntropyWriter& bits(std::uint32_t value, int count);
    // Pads to a byte and appends a restart marker RSTn.
    EntropyWriter& restart(int n);
    std::vector<std::uint8_t> finish();

  private:
    void flushByte();
    std::vector<std::uint8_t> out_;
    std::uint32_t acc_ = 0;
    int count_ = 0;
};

// The DC table's full 8x8 of ones: dequantisation is the identity.
std::array<std::uint16_t, 64> flatQuantisation(std::uint16_t value = 1);

}  // namespace imaging::testing
