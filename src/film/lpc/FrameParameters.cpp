#include "film/lpc/FrameParameters.h"

#include <algorithm>

namespace film::lpc {

namespace {

// Frames are packed least significant bit first.
class BitReader {
  public:
    explicit BitReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    // Bits past the end read as zero; callers check the frame length first,
    // this only keeps a miscount from reading outside the buffer.
    uint32_t read(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i, ++position_) {
            const size_t byte = position_ >> 3;
            const uint32_t bit = byte < bytes_.size() ? (bytes_[byte] >> (position_ & 7)) & 1u : 0u;
            value |= bit << i;
        }
        return value;
    }

  private:
    std::span<const uint8_t> bytes_;
    size_t position_ = 0;
};

}  // namespace

UnpackStatus unpackFrame(std::span<const uint8_t> frame, FrameParameters& out) {
    BitReader bits(frame);
    out.type = static_cast<FrameType>(bits.read(2));
    if (out.type == FrameType::Untransmitted) {
        return UnpackStatus::Ok;
    }
    out.lspIndex = bits.read(24);
    if (out.type == FrameType::Sid) {
        out.sidGainIndex = static_cast<int>(bits.read(6));
        return UnpackStatus::Ok;
    }
    const bool rate63 = out.type == FrameType::Rate63;

    const uint32_t lag0 = bits.read(7);
    if (lag0 > 123) {
        return UnpackStatus::ForbiddenPitchLag;
    }
    out.pitchLag[0] = static_cast<int>(lag0) + PITCH_MIN;
    out.subframes[1].adaptiveLag = static_cast<int>(bits.read(2));
    const uint32_t lag1 = bits.read(7);
    if (lag1 > 123) {
        return UnpackStatus::ForbiddenPitchLag;
    }
    out.pitchLag[1] = static_cast<int>(lag1) + PITCH_MIN;
    out.subframes[3].adaptiveLag = static_cast<int>(bits.read(2));
    out.subframes[0].adaptiveLag = 1;
    out.subframes[2].adaptiveLag = 1;

    for (int i = 0; i < SUBFRAMES; ++i) {
        SubframeParameters& sf = out.subframes[i];
        uint32_t combined = bits.read(12);
        int gainEntries = 170;
        sf.pulseTrain = 0;
        // Short lags at the high rate use the small gain codebook and spend
        // the top bit on the pulse train.
        if (rate63 && out.pitchLag[i >> 1] < SUBFRAME_LEN - 2) {
            sf.pulseTrain = static_cast<int>(combined >> 11);
            combined &= 0x7ff;
            gainEntries = 85;
        }
        sf.adaptiveGain = static_cast<int>(combined / GAIN_LEVELS);
        if (sf.adaptiveGain >= gainEntries) {
            return UnpackStatus::GainOutOfRange;
        }
        sf.fixedGain = static_cast<int>(combined % GAIN_LEVELS);
    }
    for (SubframeParameters& sf : out.subframes) {
        sf.grid = static_cast<int>(bits.read(1));
    }

    if (rate63) {
        bits.read(1);  // reserved
        const uint32_t high = bits.read(13);
        const std::array<uint32_t, SUBFRAMES> highParts = {(high / 90) / 9, (high / 90) % 9,
                                                           (high % 90) / 9, (high % 90) % 9};
        for (int i = 0; i < SUBFRAMES; ++i) {
            const int lowBits = (i & 1) ? 14 : 16;
            out.subframes[i].positions =
                static_cast<int32_t>((highParts[i] << lowBits) + bits.read(lowBits));
        }
        for (int i = 0; i < SUBFRAMES; ++i) {
            out.subframes[i].signs = static_cast<int>(bits.read((i & 1) ? 5 : 6));
        }
    } else {
        for (SubframeParameters& sf : out.subframes) {
            sf.positions = static_cast<int32_t>(bits.read(12));
        }
        for (SubframeParameters& sf : out.subframes) {
            sf.signs = static_cast<int>(bits.read(4));
        }
    }
    return UnpackStatus::Ok;
}

}  // namespace film::lpc
