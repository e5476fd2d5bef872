#include "imaging/JpegStream.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "imaging/JpegTables.h"

namespace imaging {

namespace {

constexpr int kDequantBits = 12;  // dequantisation factors are in 1/4096

inline std::int32_t extend(std::uint32_t bits, int size) {
    const auto v = static_cast<std::int32_t>(bits);
    return v < (1 << (size - 1)) ? v - ((1 << size) - 1) : v;
}

// Needs 16 bits in the cursor.
inline int decodeSymbol(JpegBitReader::Cursor& reader, const JpegHuffmanTable& table) {
    std::uint32_t e = table.first[reader.peek(JPEG_HUFF_LOOKAHEAD)];
    if (e & JpegHuffmanTable::kSecondLevel) {
        const std::size_t base = static_cast<std::size_t>(e & ~JpegHuffmanTable::kSecondLevel)
                                 << JPEG_HUFF_SECOND_BITS;
        e = table.second[base + (reader.peek(16) & ((1u << JPEG_HUFF_SECOND_BITS) - 1))];
    }
    reader.consume(static_cast<int>(e >> 8));
    return static_cast<int>(e & 0xFF);
}

// value * factor / 4096, rounded, wrapped to 16 bits like the coefficient
// store; 64-bit so that corrupt values cannot overflow.
inline std::int16_t dequantise(std::int32_t value, std::int32_t factor) {
    return static_cast<std::int16_t>(
        (static_cast<std::int64_t>(value) * factor + (1 << (kDequantBits - 1))) >> kDequantBits);
}

bool isUnsupportedFrame(std::uint32_t code) {
    // SOF1..SOF15 except DHT (C4), JPG (C8) and DAC (CC).
    return code >= 0xC1 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC;
}

std::string hex2(std::uint32_t v) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X", v & 0xFF);
    return text;
}

}  // namespace

bool JpegStream::fail(std::string reason) {
    if (error_.empty()) {
        error_ = std::move(reason);
    }
    return false;
}

JpegResult JpegStream::decode(ByteSource& source, DibImage& image,
                              const JpegDecodeOptions& options) {
    options_ = options;
    idct_ = &jpegIdct(options.path);
    dcLevelShift_ = levelShift(*idct_);
    error_.clear();
    messages_.clear();
    for (Quantisation& q : quantisation_) {
        q.defined = false;
    }
    for (JpegHuffmanTable& t : dcTables_) {
        t.defined = false;
    }
    for (JpegHuffmanTable& t : acTables_) {
        t.defined = false;
    }
    components_.clear();
    scan_.clear();
    width_ = height_ = 0;
    restartInterval_ = 0;
    frameSeen_ = scanSeen_ = pixelsMissing_ = false;
    reader_.reset(source);

    bool ok = true;
    bool done = false;
    while (ok && !done) {
        if (reader_.readByte() != 0xFF) {
            break;  // not a marker: the picture ends here
        }
        std::uint32_t code = reader_.readByte();
        while (code == 0xFF) {  // fill bytes before a marker
            code = reader_.readByte();
        }
        switch (code) {
            case 0xD8:  // SOI
            case 0x01:  // TEM
            case 0xD0:
            case 0xD1:
            case 0xD2:
            case 0xD3:
            case 0xD4:
            case 0xD5:
            case 0xD6:
            case 0xD7:  // stray RSTn: no length follows
                break;
            case 0xD9:  // EOI
                done = true;
                break;
            case 0xC0:
                ok = readFrame(image);
                break;
            case 0xC4:
                ok = readHuffmanTables();
                break;
            case 0xDB:
                ok = readQuantisationTables();
                break;
            case 0xDD:
                ok = readRestartInterval();
                break;
            case 0xDA:
                ok = readScan(image);
                // Without pixels there was no scan to run: stop in its data.
                done = pixelsMissing_;
                break;
            default:
                if (isUnsupportedFrame(code)) {
                    ok = fail("frame type SOF" + std::to_string(code - 0xC0) + " is not baseline");
                } else {
                    const std::uint32_t length = reader_.read16();
                    if (length < 2) {
                        ok = fail("segment FF" + hex2(code) + " has length " +
                                  std::to_string(length));
                    } else {
                        reader_.skipBytes(length - 2);
                    }
                }
                break;
        }
    }
    if (ok && !frameSeen_) {
        ok = fail("no SOF0 frame header");
    }
    if (ok && !scanSeen_) {
        ok = fail("no scan");
    }
    JpegResult result;
    result.ok = ok;
    result.error = error_;
    result.messages = messages_;
    return result;
}

bool JpegStream::readSegment(std::vector<std::uint8_t>& out, const char* name) {
    const std::uint32_t length = reader_.read16();
    if (length < 2) {
        return fail(std::string(name) + " length " + std::to_string(length));
    }
    out.resize(length - 2);
    for (std::uint8_t& b : out) {
        b = static_cast<std::uint8_t>(reader_.readByte());
    }
    return true;
}

bool JpegStream::readFrame(DibImage& image) {
    if (frameSeen_) {
        return fail("a second SOF0 frame header");
    }
    if (!readSegment(segment_, "SOF0")) {
        return false;
    }
    const std::vector<std::uint8_t>& s = segment_;
    if (s.size() < 6) {
        return fail("SOF0 length " + std::to_string(s.size() + 2));
    }
    const int precision = s[0];
    const int height = s[1] << 8 | s[2];
    const int width = s[3] << 8 | s[4];
    const int nf = s[5];
    if (s.size() != 6 + 3 * static_cast<std::size_t>(nf)) {
        return fail("SOF0 length " + std::to_string(s.size() + 2) + " for " + std::to_string(nf) +
                    " components");
    }
    if (precision != 8) {
        return fail("SOF0 precision " + std::to_string(precision));
    }
    if (width == 0) {
        return fail("SOF0 width 0");
    }
    if (height == 0) {
        return fail("SOF0 height 0 (a DNL marker is not supported)");
    }
    if (nf != 1 && nf != 3) {
        return fail("SOF0 with " + std::to_string(nf) + " components");
    }
    const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    if (pixels > options_.maxPixels) {
        return fail("SOF0 size " + std::to_string(width) + " x " + std::to_string(height) +
                    " is above the limit of " + std::to_string(options_.maxPixels) + " pixels");
    }

    components_.resize(static_cast<std::size_t>(nf));
    for (int i = 0; i < nf; ++i) {
        Component& c = components_[static_cast<std::size_t>(i)];
        const std::uint8_t* p = s.data() + 6 + 3 * i;
        c.id = p[0];
        c.h = p[1] >> 4;
        c.v = p[1] & 15;
        c.tq = p[2];
        if (c.tq > 3) {
            return fail("SOF0 component " + std::to_string(c.id) + " uses quantisation table " +
                        std::to_string(c.tq));
        }
        for (int j = 0; j < i; ++j) {
            if (components_[static_cast<std::size_t>(j)].id == c.id) {
                return fail("SOF0 component id " + std::to_string(c.id) + " repeated");
            }
        }
        if (nf == 1) {
            c.h = c.v = 1;  // a lone component's MCU is one block, whatever its factors
        }
        const bool luma = i == 0;
        const bool factorsOk =
            luma ? (c.h == 1 || c.h == 2) && (c.v == 1 || c.v == 2) : c.h == 1 && c.v == 1;
        if (!factorsOk) {
            return fail("SOF0 component " + std::to_string(c.id) + " has sampling factors " +
                        std::to_string(c.h) + "x" + std::to_string(c.v));
        }
        c.log2h = c.h == 2 ? 1 : 0;
        c.log2v = c.v == 2 ? 1 : 0;
    }
    hMax_ = components_[0].h;
    vMax_ = components_[0].v;
    width_ = width;
    height_ = height;
    mcusPerRow_ = ((width + hMax_ - 1) / hMax_ + 7) / 8;
    mcuRows_ = ((height + vMax_ - 1) / vMax_ + 7) / 8;
    try {
        for (Component& c : components_) {
            c.stride = static_cast<std::size_t>(mcusPerRow_) * 8 * c.h;
            c.band.resize(c.stride * 8 * c.v);
        }
    } catch (const std::bad_alloc&) {
        return fail("no memory for the sample planes");
    }
    if (!image.create(width, height)) {
        return fail("SOF0 size " + std::to_string(width) + " x " + std::to_string(height));
    }
    if (!image.allocateForOverwrite()) {
        pixelsMissing_ = true;
        messages_.emplace_back(DIB_ALLOCATION_FAILED_TEXT);
    }
    frameSeen_ = true;
    return true;
}

bool JpegStream::readQuantisationTables() {
    if (!readSegment(segment_, "DQT")) {
        return false;
    }
    const std::vector<std::uint8_t>& s = segment_;
    std::size_t i = 0;
    while (i < s.size()) {
        const int pq = s[i] >> 4;
        const int tq = s[i] & 15;
        if (pq > 1) {
            return fail("DQT precision " + std::to_string(pq));
        }
        if (tq > 3) {
            return fail("DQT table " + std::to_string(tq));
        }
        const std::size_t bytes = pq ? 128 : 64;
        if (s.size() - i - 1 < bytes) {
            return fail("DQT table " + std::to_string(tq) + " runs past its segment");
        }
        Quantisation& q = quantisation_[static_cast<std::size_t>(tq)];
        const std::uint8_t* p = s.data() + i + 1;
        for (std::size_t z = 0; z < 64; ++z) {
            q.values[z] = pq ? static_cast<std::uint16_t>(p[2 * z] << 8 | p[2 * z + 1]) : p[z];
        }
        q.defined = true;
        i += 1 + bytes;
    }
    return true;
}

bool JpegStream::readHuffmanTables() {
    if (!readSegment(segment_, "DHT")) {
        return false;
    }
    const std::vector<std::uint8_t>& s = segment_;
    std::size_t i = 0;
    while (i < s.size()) {
        const int tc = s[i] >> 4;
        const int th = s[i] & 15;
        if (tc > 1 || th > 1) {
            return fail("DHT class " + std::to_string(tc) + " table " + std::to_string(th));
        }
        if (s.size() - i < 17) {
            return fail("DHT code counts run past the segment");
        }
        std::span<const std::uint8_t, 16> counts(s.data() + i + 1, 16);
        std::size_t total = 0;
        for (std::uint8_t c : counts) {
            total += c;
        }
        if (s.size() - i - 17 < total) {
            return fail("DHT symbols run past the segment");
        }
        JpegHuffmanTable& table = tc == 0 ? dcTables_[static_cast<std::size_t>(th)]
                                          : acTables_[static_cast<std::size_t>(th)];
        if (auto error =
                buildJpegHuffmanTable(table, tc == 0 ? JpegTableClass::Dc : JpegTableClass::Ac,
                                      counts, std::span(s.data() + i + 17, total))) {
            return fail(*error);
        }
        i += 17 + total;
    }
    return true;
}

bool JpegStream::readRestartInterval() {
    if (!readSegment(segment_, "DRI")) {
        return false;
    }
    if (segment_.size() < 2) {
        return fail("DRI length " + std::to_string(segment_.size() + 2));
    }
    restartInterval_ = segment_[0] << 8 | segment_[1];
    return true;
}

bool JpegStream::readScan(DibImage& image) {
    if (!frameSeen_) {
        return fail("SOS before the SOF0 frame header");
    }
    if (scanSeen_) {
        return fail("a second scan (only one interleaved scan is supported)");
    }
    reader_.setUnstuff(true);
    if (!readSegment(segment_, "SOS")) {
        return false;
    }
    const std::vector<std::uint8_t>& s = segment_;
    const std::size_t ns = s.empty() ? 0 : s[0];
    if (s.size() != 1 + 2 * ns + 3) {
        return fail("SOS length " + std::to_string(s.size() + 2));
    }
    if (ns != components_.size()) {
        return fail("scan of " + std::to_string(ns) + " of " + std::to_string(components_.size()) +
                    " components");
    }
    scan_.clear();
    for (std::size_t i = 0; i < ns; ++i) {
        const int id = s[1 + 2 * i];
        auto it = std::find_if(components_.begin(), components_.end(),
                               [id](const Component& c) { return c.id == id; });
        if (it == components_.end() || std::find(scan_.begin(), scan_.end(), &*it) != scan_.end()) {
            return fail("scan names component " + std::to_string(id));
        }
        Component& c = *it;
        c.td = s[2 + 2 * i] >> 4;
        c.ta = s[2 + 2 * i] & 15;
        if (c.td > 1 || c.ta > 1) {
            return fail("scan component " + std::to_string(id) + " uses Huffman tables " +
                        std::to_string(c.td) + "/" + std::to_string(c.ta));
        }
        const Quantisation& q = quantisation_[static_cast<std::size_t>(c.tq)];
        if (!q.defined) {
            return fail("quantisation table " + std::to_string(c.tq) + " is not defined");
        }
        if (!dcTables_[static_cast<std::size_t>(c.td)].defined ||
            !acTables_[static_cast<std::size_t>(c.ta)].defined) {
            return fail("Huffman table " + std::to_string(c.td) + "/" + std::to_string(c.ta) +
                        " is not defined");
        }
        for (std::size_t z = 0; z < 64; ++z) {
            c.factors[z] = dequantisationFactor(*idct_, q.values[z], JPEG_NATURAL_ORDER[z]);
        }
        scan_.push_back(&c);
    }
    scanSeen_ = true;
    if (pixelsMissing_) {
        return true;
    }
    const bool ok = decodeScan(image);
    reader_.align();
    return ok;
}

bool JpegStream::decodeBlock(Component& c, std::uint8_t* out) {
    JpegBitReader::Cursor br = reader_.cursor();
    const JpegHuffmanTable& dc = dcTables_[static_cast<std::size_t>(c.td)];
    const JpegHuffmanTable& ac = acTables_[static_cast<std::size_t>(c.ta)];
    std::int16_t* block = block_.data();

    reader_.fill(br);
    const int s = decodeSymbol(br, dc);
    if (s != 0) {
        const std::int32_t diff = extend(br.peek(s), s);
        br.consume(s);
        // Wraps rather than overflows on corrupt data.
        c.predictor = static_cast<std::int32_t>(static_cast<std::uint32_t>(c.predictor) +
                                                static_cast<std::uint32_t>(diff));
    }
    block[0] = static_cast<std::int16_t>(dequantise(c.predictor, c.factors[0]) + dcLevelShift_);

    bool acSeen = false;
    int k = 1;  // the next zigzag position
    for (;;) {
        reader_.fill(br);
        const std::int32_t fast = ac.fastAc[br.peek(JPEG_HUFF_LOOKAHEAD)];
        std::int32_t value;
        if (fast != 0) {
            br.consume(fast & 15);
            k += (fast >> 4) & 15;
            value = fast >> 16;
        } else {
            const int rs = decodeSymbol(br, ac);
            const int size = rs & 15;
            if (rs == 0) {
                break;  // end of block
            }
            if (rs == 0xF0) {
                k += 16;
                if (k > 64) {
                    reader_.setCursor(br);
                    return fail("coefficient run beyond position 63");
                }
                continue;
            }
            k += rs >> 4;
            value = 0;
            if (size != 0) {
                value = extend(br.peek(size), size);
                br.consume(size);
            }
        }
        if (k > 63) {
            reader_.setCursor(br);
            return fail("coefficient position " + std::to_string(k) + " beyond 63");
        }
        block[JPEG_NATURAL_ORDER[static_cast<std::size_t>(k)]] =
            dequantise(value, c.factors[static_cast<std::size_t>(k)]);
        acSeen = true;
        if (k == 63) {
            break;
        }
        ++k;
    }
    reader_.setCursor(br);

    if (acSeen) {
        idct_->transform(block, out, static_cast<std::ptrdiff_t>(c.stride));
    } else {
        const std::uint8_t v = idct_->dcOnly(block[0]);
        for (int r = 0; r < 8; ++r) {
            std::memset(out + r * c.stride, v, 8);
        }
        block[0] = 0;
    }
    return true;
}

bool JpegStream::decodeScan(DibImage& image) {
    for (Component& c : components_) {
        c.predictor = 0;
    }
    const long long totalMcus = static_cast<long long>(mcusPerRow_) * mcuRows_;
    long long mcu = 0;
    int restartsLeft = restartInterval_;
    for (int row = 0; row < mcuRows_; ++row) {
        for (int column = 0; column < mcusPerRow_; ++column) {
            for (Component* c : scan_) {
                for (int v = 0; v < c->v; ++v) {
                    std::uint8_t* out = c->band.data() +
                                        static_cast<std::size_t>(8 * v) * c->stride +
                                        static_cast<std::size_t>(column * c->h) * 8;
                    for (int h = 0; h < c->h; ++h) {
                        if (!decodeBlock(*c, out + 8 * h)) {
                            return false;
                        }
                    }
                }
            }
            ++mcu;
            if (restartInterval_ != 0 && --restartsLeft == 0) {
                reader_.align();
                if (mcu != totalMcus) {
                    const std::uint32_t marker = reader_.read16();
                    if (marker < 0xFFD0 || marker > 0xFFD7) {
                        char text[64];
                        std::snprintf(text, sizeof text, "Going Out value=%04X rs_int=%d", marker,
                                      restartInterval_);
                        messages_.emplace_back(text);
                        blackenFrom(image, row, column + 1);
                        return true;
                    }
                }
                for (Component& c : components_) {
                    c.predictor = 0;
                }
                restartsLeft = restartInterval_;
            }
        }
        convertBand(image, row);
    }
    return true;
}

void JpegStream::convertBand(DibImage& image, int mcuRow) {
    const int firstRow = mcuRow * 8 * vMax_;
    const int rows = std::min(8 * vMax_, height_ - firstRow);
    if (rows <= 0) {
        return;
    }
    JpegPlaneBand band;
    const Component& y = components_[0];
    band.y = y.band.data();
    band.yStride = y.stride;
    if (components_.size() == 3) {
        band.cb = components_[1].band.data();
        band.cr = components_[2].band.data();
        band.chromaStride = components_[1].stride;
        band.chromaShiftX = y.log2h;
        band.chromaShiftY = y.log2v;
    }
    const auto outStride = static_cast<std::ptrdiff_t>(width_) * kBytesPerPixel;
    std::uint8_t* top = image.pixels() + (height_ - 1 - firstRow) * outStride;
    converter_.convert(band, rows, width_, top, outStride, options_.path);
}

void JpegStream::blackenFrom(DibImage& image, int mcuRow, int mcuColumn) {
    // The rest of this MCU row: black samples, then converted as usual.
    for (std::size_t i = 0; i < components_.size(); ++i) {
        Component& c = components_[i];
        const std::size_t from = static_cast<std::size_t>(mcuColumn * c.h) * 8;
        const std::uint8_t black = i == 0 ? 0 : 128;
        for (int r = 0; r < 8 * c.v; ++r) {
            std::uint8_t* row = c.band.data() + static_cast<std::size_t>(r) * c.stride;
            std::fill(row + std::min(from, c.stride), row + c.stride, black);
        }
    }
    convertBand(image, mcuRow);
    // Every row below it: black pixels (the bitmap may hold an older picture).
    const int decodedRows = std::min(height_, (mcuRow + 1) * 8 * vMax_);
    const std::size_t rowBytes = static_cast<std::size_t>(width_) * kBytesPerPixel;
    std::memset(image.pixels(), 0, rowBytes * static_cast<std::size_t>(height_ - decodedRows));
}

}  // namespace imaging
