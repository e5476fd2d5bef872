#include "imaging/JpegTables.h"

namespace imaging {

namespace {
std::int16_t truncated(double factor, int c) {
    return static_cast<std::int16_t>(factor * c);
}
}  // namespace

const JpegColourTables& JpegColourTables::get() {
    static const JpegColourTables tables = [] {
        JpegColourTables t{};
        for (int k = 0; k < 256; ++k) {
            const int c = k - 128;
            t.blueFromCb[k] = truncated(1.772, c);
            t.greenFromCb[k] = static_cast<std::int16_t>(-truncated(0.34414, c));
            t.greenFromCr[k] = static_cast<std::int16_t>(-truncated(0.71414, c));
            t.redFromCr[k] = truncated(1.402, c);
        }
        return t;
    }();
    return tables;
}

const JpegRangeTable& JpegRangeTable::get() {
    static const JpegRangeTable table = [] {
        JpegRangeTable t{};
        for (int i = 0; i < 768; ++i) {
            t.values[i] = static_cast<std::uint8_t>(i < 256 ? 0 : (i < 512 ? i - 256 : 255));
        }
        return t;
    }();
    return table;
}

}  // namespace imaging
