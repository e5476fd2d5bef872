#include "film/lpc/Excitation.h"

#include <algorithm>

#include "film/lpc/FixedPoint.h"

namespace film::lpc {

using namespace fx;

void adaptiveCodebook(std::span<const int16_t> history, int pitchLag, int lagOffset, int gainIndex,
                      FrameType rate, std::span<int16_t, SUBFRAME_LEN> out,
                      fx::Arithmetic arithmetic) {
    // The past excitation around the lag: two samples before it, then the
    // last `lag` samples repeated periodically for the rest.
    const int lag = pitchLag - 1 + lagOffset;
    int16_t residual[SUBFRAME_LEN + PITCH_ORDER - 1];
    const int start = PITCH_MAX - lag;
    residual[0] = history[start - 2];
    residual[1] = history[start - 1];
    for (int i = 0, k = 0; i < SUBFRAME_LEN + PITCH_ORDER / 2; ++i) {
        residual[2 + i] = history[start + k];
        k = k + 1 == lag ? 0 : k + 1;
    }

    const bool smallTable = rate == FrameType::Rate63 && pitchLag < SUBFRAME_LEN - 2;
    const int16_t* taps = smallTable ? &ADAPTIVE_GAIN_TABLE_85[gainIndex * 20]
                                     : &ADAPTIVE_GAIN_TABLE_170[gainIndex * 20];

    // Plain arithmetic is exact when no partial sum can leave 32 bits.
    int64_t tapSum = 0;
    for (int j = 0; j < PITCH_ORDER; ++j) {
        tapSum += taps[j] < 0 ? -taps[j] : taps[j];
    }
    int rMax = 0;
    for (int16_t r : residual) {
        rMax = std::max(rMax, r < 0 ? -int(r) : int(r));
    }
    if (arithmetic == Arithmetic::PlainWhereExact && 2 * tapSum * rMax <= MAX_32) {
        for (int i = 0; i < SUBFRAME_LEN; ++i) {
            int32_t acc = 0;
            for (int j = 0; j < PITCH_ORDER; ++j) {
                acc += 2 * residual[i + j] * taps[j];
            }
            out[i] = fx::round(lShl(acc, 1));
        }
        return;
    }
    for (int i = 0; i < SUBFRAME_LEN; ++i) {
        int32_t acc = 0;
        for (int j = 0; j < PITCH_ORDER; ++j) {
            acc = lMac(acc, residual[i + j], taps[j]);
        }
        out[i] = fx::round(lShl(acc, 1));
    }
}

void multipulseExcitation(const SubframeParameters& sf, int index, int pitchLag,
                          std::span<int16_t, SUBFRAME_LEN> out) {
    std::fill(out.begin(), out.end(), int16_t{0});
    if (sf.positions >= MAX_POSITION_CODE[index]) {
        return;
    }
    // The position code enumerates the combinations of pulse places on the
    // grid; walk it down the combinatorial table.
    int pulse = MAX_PULSES - PULSE_COUNT[index];
    int32_t code = sf.positions;
    const int16_t gain = FIXED_GAIN_TABLE[sf.fixedGain];
    for (int i = 0; i < SUBFRAME_LEN / GRID_SIZE; ++i) {
        code = lSub(code, COMBINATORIAL_TABLE[pulse][i]);
        if (code >= 0) {
            continue;
        }
        code = lAdd(code, COMBINATORIAL_TABLE[pulse][i]);
        ++pulse;
        const bool negative = (sf.signs & (1 << (MAX_PULSES - pulse))) != 0;
        out[sf.grid + GRID_SIZE * i] = negative ? int16_t(-gain) : gain;
        if (pulse == MAX_PULSES) {
            break;
        }
    }
    if (sf.pulseTrain == 1) {
        int16_t source[SUBFRAME_LEN];
        std::copy(out.begin(), out.end(), source);
        for (int period = pitchLag; period < SUBFRAME_LEN; period += pitchLag) {
            for (int i = period; i < SUBFRAME_LEN; ++i) {
                out[i] = add(out[i], source[i - period]);
            }
        }
    }
}

void algebraicExcitation(const SubframeParameters& sf, int pitchLag,
                         std::span<int16_t, SUBFRAME_LEN> out) {
    std::fill(out.begin(), out.end(), int16_t{0});
    const int16_t gain = FIXED_GAIN_TABLE[sf.fixedGain];
    int positions = sf.positions;
    int signs = sf.signs;
    for (int track = 0; track < 4; ++track) {
        // Track t holds places 8k + 2t + grid; the last ones fall past the
        // subframe and are dropped.
        const int place = ((positions & 7) << 3) + sf.grid + 2 * track;
        if (place < SUBFRAME_LEN) {
            out[place] = (signs & 1) ? gain : int16_t(-gain);
        }
        positions >>= 3;
        signs >>= 1;
    }
    const int lag = pitchLag - 1 + sf.adaptiveLag + ACELP_LAG_OFFSET[sf.adaptiveGain];
    if (lag < SUBFRAME_LEN - 2) {
        const int16_t beta = ACELP_PITCH_GAIN[sf.adaptiveGain];
        for (int i = lag; i < SUBFRAME_LEN; ++i) {
            out[i] = add(out[i], mult(out[i - lag], beta));
        }
    }
}

}  // namespace film::lpc
