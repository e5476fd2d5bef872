#include "film/lpc/G7231Decoder.h"

#include <algorithm>

#include "film/lpc/ComfortNoise.h"
#include "film/lpc/Excitation.h"
#include "film/lpc/FixedPoint.h"

namespace film::lpc {

using namespace fx;

G7231Decoder::G7231Decoder(NoiseRing& noise, Arithmetic arithmetic)
    : noise_(noise), arithmetic_(arithmetic) {
    reset();
}

void G7231Decoder::reset() {
    previousLsp_ = LSP_DC;
    previousExcitation_.fill(0);
    synthesisMemory_.fill(0);
    sidLsp_ = LSP_DC;
    sidGain_ = 0;
    currentGain_ = 0;
    pastFrame_ = PastFrame::Speech;
}

G7231Decoder::FrameResult G7231Decoder::decodeFrame(std::span<const uint8_t> bytes,
                                                    std::span<int16_t, FRAME_LEN> out) {
    if (bytes.empty()) {
        std::fill(out.begin(), out.end(), int16_t{0});
        return {-1, FrameStatus::TooShort};
    }
    const FrameType type = frameTypeOf(bytes[0]);
    const int length = FRAME_BYTES[static_cast<int>(type)];
    if (static_cast<int>(bytes.size()) < length) {
        std::fill(out.begin(), out.end(), int16_t{0});
        return {-1, FrameStatus::TooShort};
    }

    FrameParameters parameters;
    switch (unpackFrame(bytes.first(length), parameters)) {
        case UnpackStatus::Ok:
            break;
        case UnpackStatus::ForbiddenPitchLag:
            std::fill(out.begin(), out.end(), int16_t{0});
            return {length, FrameStatus::ForbiddenPitchLag};
        case UnpackStatus::GainOutOfRange:
            std::fill(out.begin(), out.end(), int16_t{0});
            return {length, FrameStatus::GainOutOfRange};
    }

    if (type == FrameType::Rate63 || type == FrameType::Rate53) {
        decodeSpeech(parameters, out);
    } else {
        decodeNoise(parameters, out);
    }
    return {length, FrameStatus::Decoded};
}

void G7231Decoder::decodeSpeech(const FrameParameters& p, std::span<int16_t, FRAME_LEN> out) {
    const LspVector lsp = decodeLsp(p.lspIndex, previousLsp_);
    const FrameLpc lpc = interpolateLsp(lsp, previousLsp_);
    previousLsp_ = lsp;

    // The excitation after the history it continues.
    std::array<int16_t, PITCH_MAX + FRAME_LEN> excitation;
    std::copy(previousExcitation_.begin(), previousExcitation_.end(), excitation.begin());
    for (int i = 0; i < SUBFRAMES; ++i) {
        const SubframeParameters& sf = p.subframes[i];
        const int pitchLag = p.pitchLag[i >> 1];
        std::array<int16_t, SUBFRAME_LEN> fixed;
        if (p.type == FrameType::Rate63) {
            multipulseExcitation(sf, i, pitchLag, fixed);
        } else {
            algebraicExcitation(sf, pitchLag, fixed);
        }
        std::array<int16_t, SUBFRAME_LEN> adaptive;
        adaptiveCodebook(std::span<const int16_t>(excitation).subspan(i * SUBFRAME_LEN, PITCH_MAX),
                         pitchLag, sf.adaptiveLag, sf.adaptiveGain, p.type, adaptive, arithmetic_);
        int16_t* target = excitation.data() + PITCH_MAX + i * SUBFRAME_LEN;
        for (int j = 0; j < SUBFRAME_LEN; ++j) {
            target[j] = add(shl(fixed[j], 1), adaptive[j]);
        }
    }

    estimateNoiseGain(excitation);
    sidLsp_ = lsp;
    std::copy(excitation.end() - PITCH_MAX, excitation.end(), previousExcitation_.begin());
    pastFrame_ = PastFrame::Speech;

    synthesize(std::span<const int16_t, FRAME_LEN>(excitation.data() + PITCH_MAX, FRAME_LEN), lpc,
               out);
}

// Measures the excitation's energy for comfort noise that may follow without
// a descriptor: the normalised energy of the frame's last 120 samples and
// the normalisation shift.
void G7231Decoder::estimateNoiseGain(std::span<const int16_t, PITCH_MAX + FRAME_LEN> excitation) {
    int16_t peak = 0;
    for (int16_t v : excitation) {
        peak = std::max(peak, abs16(v));
    }
    const int normShift = normS(peak);
    const int16_t factor = normShift == 15 ? int16_t{0x7fff} : int16_t(1 << normShift);
    // A sum of squares only grows: once saturated it stays at the maximum,
    // so the saturating sum is the plain one capped.
    int64_t energy = 0;
    for (int j = PITCH_MAX + FRAME_LEN - 2 * SUBFRAME_LEN; j < PITCH_MAX + FRAME_LEN; ++j) {
        const int16_t normalised = extractL(lShr(lMult(factor, excitation[j]), 4));
        energy += 2 * int64_t(normalised) * normalised;
    }
    sidGain_ = fx::round(int32_t(std::min<int64_t>(energy, MAX_32)));
    currentGain_ = int16_t(normShift - 3);
}

void G7231Decoder::decodeNoise(const FrameParameters& p, std::span<int16_t, FRAME_LEN> out) {
    if (p.type == FrameType::Sid) {
        sidGain_ = decodeSidGain(p.sidGainIndex);
        sidLsp_ = decodeLsp(p.lspIndex, previousLsp_);
    } else if (pastFrame_ == PastFrame::Speech) {
        // Speech stopped without a descriptor: quantise the last speech
        // frame's energy as the encoder would have sent it.
        sidGain_ = decodeSidGain(quantizeSidGain(sidGain_, currentGain_));
    }
    if (pastFrame_ == PastFrame::Speech) {
        currentGain_ = sidGain_;
    } else {
        // Glide towards the descriptor's gain: 7/8 old + 1/8 new.
        currentGain_ = extractH(lAdd(lMult(currentGain_, 0x7000), lMult(sidGain_, 0x1000)));
    }

    std::array<int16_t, FRAME_LEN> excitation;
    randomExcitation(currentGain_, previousExcitation_, noise_, excitation, arithmetic_);
    const FrameLpc lpc = interpolateLsp(sidLsp_, previousLsp_);
    previousLsp_ = sidLsp_;
    pastFrame_ = p.type == FrameType::Sid ? PastFrame::Sid : PastFrame::Untransmitted;
    synthesize(excitation, lpc, out);
}

namespace {

// One sample of the synthesis filter: y = round(4 (x/8 << 16 + 2 sum a y')).
inline int16_t synthesisSample(int32_t acc) {
    return fx::round(lShl(acc, 2));
}

// The subframe with saturating arithmetic throughout.
void synthesizeExact(const int16_t* x, const LpcVector& a, int16_t* y) {
    for (int i = 0; i < SUBFRAME_LEN; ++i) {
        int32_t acc = lShr(depositH(x[i]), 3);
        for (int j = 0; j < LPC_ORDER; ++j) {
            acc = lMac(acc, a[j], y[i - 1 - j]);
        }
        y[i] = synthesisSample(acc);
    }
}

// The subframe in plain 32-bit arithmetic, and whether that was exact: when
// no partial sum can have left the 32-bit range, saturation never acted and
// the plain result is the saturating one. The bound is checked after the
// fact on the values the filter actually used.
bool synthesizeFast(const int16_t* x, const LpcVector& a, int16_t* y) {
    int32_t aSum = 0;
    for (int16_t c : a) {
        aSum += c < 0 ? -c : c;
    }
    int xMax = 0;
    for (int i = 0; i < SUBFRAME_LEN; ++i) {
        const int32_t v = x[i];
        xMax = std::max(xMax, v < 0 ? -v : v);
        // Wrapping arithmetic: a wrapped sum fails the check below.
        uint32_t acc = uint32_t(v * 8192);
        for (int j = 0; j < LPC_ORDER; ++j) {
            acc += uint32_t(a[j] * y[i - 1 - j]) * 2u;
        }
        y[i] = synthesisSample(int32_t(acc));
    }
    int yMax = 0;
    for (int i = -LPC_ORDER; i < SUBFRAME_LEN; ++i) {
        yMax = std::max(yMax, y[i] < 0 ? -int(y[i]) : int(y[i]));
    }
    return int64_t(xMax) * 8192 + 2 * int64_t(aSum) * yMax <= MAX_32;
}

}  // namespace

void G7231Decoder::synthesize(std::span<const int16_t, FRAME_LEN> excitation, const FrameLpc& lpc,
                              std::span<int16_t, FRAME_LEN> out) {
    // y[n] = x[n]/2 + sum a[j] y[n-1-j], in Q13 coefficients; the filter
    // memory keeps y saturated to 16 bits only, the output clamps y to
    // 15 bits and doubles it.
    std::array<int16_t, LPC_ORDER + FRAME_LEN> y;
    for (int j = 0; j < LPC_ORDER; ++j) {
        y[LPC_ORDER - 1 - j] = synthesisMemory_[j];
    }
    for (int sf = 0; sf < SUBFRAMES; ++sf) {
        const int16_t* x = excitation.data() + sf * SUBFRAME_LEN;
        int16_t* ySub = y.data() + LPC_ORDER + sf * SUBFRAME_LEN;
        if (arithmetic_ == Arithmetic::SaturatingOnly || !synthesizeFast(x, lpc[sf], ySub)) {
            synthesizeExact(x, lpc[sf], ySub);
        }
    }
    for (int i = 0; i < FRAME_LEN; ++i) {
        out[i] = shl(y[LPC_ORDER + i], 1);
    }
    for (int j = 0; j < LPC_ORDER; ++j) {
        synthesisMemory_[j] = y[LPC_ORDER + FRAME_LEN - 1 - j];
    }
}

}  // namespace film::lpc
