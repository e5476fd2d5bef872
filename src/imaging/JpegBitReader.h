#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

#include "imaging/ByteSource.h"

namespace imaging {

inline constexpr std::size_t JPEG_INPUT_BUFFER_SIZE = 0x10000;

// The decoder's view of its input: a 65536-byte buffer refilled from the
// source, and a 64-bit bit buffer (most significant bit first) refilled at
// its low end. Past the end of the input it supplies zero bytes for ever,
// so damaged pictures decode into whatever zeros give instead of failing.
// With unstuffing on (from the first scan), 0xFF 0x00 reads as one 0xFF,
// also when a refill splits the pair; any other 0xFF pair passes through
// unchanged, which is how markers inside the scan are seen.
class JpegBitReader {
  public:
    JpegBitReader() : buffer_(new std::uint8_t[JPEG_INPUT_BUFFER_SIZE]) {}

    void reset(ByteSource& source) {
        source_ = &source;
        pos_ = end_ = buffer_.get();
        bits_ = 0;
        count_ = 0;
        unstuff_ = false;
        atEnd_ = false;
        refills_ = 0;
    }
    void setUnstuff(bool on) { unstuff_ = on; }

    // The reading state, for a hot loop to keep in registers: take it with
    // cursor(), work on it with the static functions, give it back with
    // setCursor() before calling anything else of the reader.
    struct Cursor {
        std::uint64_t bits;
        int count;
        const std::uint8_t* pos;
        const std::uint8_t* end;

        std::uint32_t peek(int n) const { return static_cast<std::uint32_t>(bits >> (64 - n)); }
        void consume(int n) {
            bits <<= n;
            count -= n;
        }
    };
    Cursor cursor() const { return {bits_, count_, pos_, end_}; }
    void setCursor(const Cursor& c) {
        bits_ = c.bits;
        count_ = c.count;
        pos_ = c.pos;
        end_ = c.end;
    }

    // Makes at least 33 bits available: one Huffman code and its extra bits.
    void fill(Cursor& c) {
        if (c.count > 32) {
            return;
        }
        if (c.end - c.pos >= 8) {
            std::uint64_t v;
            std::memcpy(&v, c.pos, 8);
            v = __builtin_bswap64(v);
            // Any 0xFF byte in the next eight needs the byte-wise way.
            if ((((~v) - 0x0101010101010101ull) & v & 0x8080808080808080ull) == 0) {
                const int n = (63 - c.count) >> 3;
                const std::uint64_t top = (v >> (64 - 8 * n)) << (64 - 8 * n);
                c.bits |= top >> c.count;
                c.count += 8 * n;
                c.pos += n;
                return;
            }
        }
        setCursor(c);
        fillSlow();
        c = cursor();
    }
    void fill() {
        Cursor c = cursor();
        fill(c);
        setCursor(c);
    }

    // The next n bits (1..32) without consuming them; needs count() >= n.
    std::uint32_t peek(int n) const { return static_cast<std::uint32_t>(bits_ >> (64 - n)); }
    void consume(int n) {
        bits_ <<= n;
        count_ -= n;
    }
    // Takes n bits, 0..16, refilling as needed.
    std::uint32_t take(int n) {
        if (n == 0) {
            return 0;
        }
        fill();
        const std::uint32_t v = peek(n);
        consume(n);
        return v;
    }
    std::uint64_t bits() const { return bits_; }
    int count() const { return count_; }

    // Drops the bits up to the next byte boundary.
    void align() { consume(count_ & 7); }

    std::uint32_t readByte() { return take(8); }
    std::uint32_t read16() {
        const std::uint32_t high = take(8);
        return high << 8 | take(8);
    }

    // Drops n bytes: first those in the bit buffer, then by moving through
    // the input without unstuffing.
    void skipBytes(std::uint64_t n);

    // How often the input buffer was refilled from the source.
    int refills() const { return refills_; }
    // Whether the source has run dry (zeros are being supplied).
    bool atEnd() const { return atEnd_ && pos_ == end_; }

  private:
    void fillSlow();
    bool reload();
    std::uint8_t nextByte() {
        if (pos_ == end_ && !reload()) {
            return 0;
        }
        return *pos_++;
    }

    std::unique_ptr<std::uint8_t[]> buffer_;
    ByteSource* source_ = nullptr;
    const std::uint8_t* pos_ = nullptr;
    const std::uint8_t* end_ = nullptr;
    std::uint64_t bits_ = 0;
    int count_ = 0;
    bool unstuff_ = false;
    bool atEnd_ = false;
    int refills_ = 0;
};

}  // namespace imaging
