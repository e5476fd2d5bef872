#include "JpegBuilder.h"

#include <algorithm>
#include <cstdlib>

namespace imaging::testing {

JpegBuilder& JpegBuilder::marker(std::uint8_t code) {
    bytes.push_back(0xFF);
    bytes.push_back(code);
    return *this;
}

JpegBuilder& JpegBuilder::segment(std::uint8_t code, const std::vector<std::uint8_t>& payload) {
    marker(code);
    const std::size_t length = payload.size() + 2;
    bytes.push_back(static_cast<std::uint8_t>(length >> 8));
    bytes.push_back(static_cast<std::uint8_t>(length));
    bytes.insert(bytes.end(), payload.begin(), payload.end());
    return *this;
}

JpegBuilder& JpegBuilder::raw(std::initializer_list<std::uint8_t> b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
}

JpegBuilder& JpegBuilder::raw(const std::vector<std::uint8_t>& b) {
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
}

JpegBuilder& JpegBuilder::dqt(int id, const std::array<std::uint16_t, 64>& values,
                              bool sixteenBit) {
    std::vector<std::uint8_t> p{static_cast<std::uint8_t>((sixteenBit ? 0x10 : 0) | id)};
    for (std::uint16_t v : values) {
        if (sixteenBit) {
            p.push_back(static_cast<std::uint8_t>(v >> 8));
        }
        p.push_back(static_cast<std::uint8_t>(v));
    }
    return segment(0xDB, p);
}

JpegBuilder& JpegBuilder::sof(int width, int height, const std::vector<FrameComponent>& components,
                              std::uint8_t code, int precision) {
    std::vector<std::uint8_t> p{
        static_cast<std::uint8_t>(precision), static_cast<std::uint8_t>(height >> 8),
        static_cast<std::uint8_t>(height),    static_cast<std::uint8_t>(width >> 8),
        static_cast<std::uint8_t>(width),     static_cast<std::uint8_t>(components.size())};
    for (const FrameComponent& c : components) {
        p.push_back(static_cast<std::uint8_t>(c.id));
        p.push_back(static_cast<std::uint8_t>(c.h << 4 | c.v));
        p.push_back(static_cast<std::uint8_t>(c.tq));
    }
    return segment(code, p);
}

JpegBuilder& JpegBuilder::dht(int tableClass, int id, const std::array<std::uint8_t, 16>& counts,
                              const std::vector<std::uint8_t>& symbols) {
    std::vector<std::uint8_t> p{static_cast<std::uint8_t>(tableClass << 4 | id)};
    p.insert(p.end(), counts.begin(), counts.end());
    p.insert(p.end(), symbols.begin(), symbols.end());
    return segment(0xC4, p);
}

JpegBuilder& JpegBuilder::dri(int interval) {
    return segment(0xDD,
                   {static_cast<std::uint8_t>(interval >> 8), static_cast<std::uint8_t>(interval)});
}

JpegBuilder& JpegBuilder::sos(const std::vector<ScanComponent>& components) {
    std::vector<std::uint8_t> p{static_cast<std::uint8_t>(components.size())};
    for (const ScanComponent& c : components) {
        p.push_back(static_cast<std::uint8_t>(c.id));
        p.push_back(static_cast<std::uint8_t>(c.td << 4 | c.ta));
    }
    p.insert(p.end(), {0, 63, 0});
    return segment(0xDA, p);
}

JpegBuilder& JpegBuilder::simpleTables(int id) {
    std::array<std::uint8_t, 16> dcCounts{};
    dcCounts[3] = 12;
    std::vector<std::uint8_t> dcSymbols;
    for (std::uint8_t s = 0; s < 12; ++s) {
        dcSymbols.push_back(s);
    }
    dht(0, id, dcCounts, dcSymbols);
    std::array<std::uint8_t, 16> acCounts{};
    acCounts[7] = static_cast<std::uint8_t>(kAcSymbols.size());
    return dht(1, id, acCounts, kAcSymbols);
}

namespace {
int category(int v) {
    int n = 0;
    for (int a = std::abs(v); a != 0; a >>= 1) {
        ++n;
    }
    return n;
}
std::uint32_t extraBits(int v, int size) {
    return static_cast<std::uint32_t>(v >= 0 ? v : v + (1 << size) - 1);
}
}  // namespace

EntropyWriter& EntropyWriter::bits(std::uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) {
        acc_ = acc_ << 1 | ((value >> i) & 1);
        if (++count_ == 8) {
            flushByte();
        }
    }
    return *this;
}

void EntropyWriter::flushByte() {
    const auto byte = static_cast<std::uint8_t>(acc_);
    out_.push_back(byte);
    if (byte == 0xFF) {
        out_.push_back(0x00);
    }
    acc_ = 0;
    count_ = 0;
}

EntropyWriter& EntropyWriter::symbolAc(std::uint8_t symbol) {
    const auto it = std::find(kAcSymbols.begin(), kAcSymbols.end(), symbol);
    return bits(static_cast<std::uint32_t>(it - kAcSymbols.begin()), 8);
}

EntropyWriter& EntropyWriter::block(int dcDifference, const std::vector<std::pair<int, int>>& ac,
                                    bool endOfBlock) {
    const int s = category(dcDifference);
    bits(static_cast<std::uint32_t>(s), 4);
    bits(extraBits(dcDifference, s), s);
    for (const auto& [run, value] : ac) {
        const int size = category(value);
        symbolAc(static_cast<std::uint8_t>(run << 4 | size));
        bits(extraBits(value, size), size);
    }
    if (endOfBlock) {
        symbolAc(0x00);
    }
    return *this;
}

EntropyWriter& EntropyWriter::restart(int n) {
    while (count_ != 0) {
        bits(1, 1);
    }
    out_.push_back(0xFF);
    out_.push_back(static_cast<std::uint8_t>(0xD0 + n));
    return *this;
}

std::vector<std::uint8_t> EntropyWriter::finish() {
    while (count_ != 0) {
        bits(1, 1);
    }
    return out_;
}

std::array<std::uint16_t, 64> flatQuantisation(std::uint16_t value) {
    std::array<std::uint16_t, 64> q;
    q.fill(value);
    return q;
}

}  // namespace imaging::testing
