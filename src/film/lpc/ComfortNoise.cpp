#include "film/lpc/ComfortNoise.h"

#include <algorithm>

#include "film/lpc/Excitation.h"
#include "film/lpc/FixedPoint.h"

namespace film::lpc {

using namespace fx;

int quantizeSidGain(int16_t energy, int16_t shift) {
    const int16_t scale = sub(16, shl(shift, 1));
    const int32_t x = lMls(lShl(int32_t{energy}, scale), SID_ENERGY_FACTOR);
    if (x >= SID_GAIN_SEGMENT_BOUND[2]) {
        return 63;
    }

    // Pseudo-logarithmic quantiser in three segments: 16 steps of 2, 16 of
    // 4 and 32 of 8; binary search inside the segment, then the nearer of
    // the two neighbours.
    int segment = 0;
    int steps = 3;
    if (x >= SID_GAIN_SEGMENT_BOUND[1]) {
        segment = 2;
        steps = 4;
    } else if (x >= SID_GAIN_SEGMENT_BOUND[0]) {
        segment = 1;
    }
    const int stepShift = segment + 1;
    auto level = [&](int16_t j) { return add(SID_GAIN_BASE[segment], shl(j, stepShift)); };

    int16_t j = shl(1, steps);
    int16_t half = shr(j, 1);
    for (int i = 0; i < steps; ++i) {
        const int16_t y = level(j);
        j = x >= lMult(y, y) ? add(j, half) : sub(j, half);
        half = shr(half, 1);
    }

    const int16_t y = level(j);
    const int32_t above = lSub(lMult(y, y), x);
    const int base = segment << 4;
    if (above <= 0) {
        const int16_t up = add(j, 1);
        const int16_t yUp = level(up);
        const int32_t below = lSub(x, lMult(yUp, yUp));
        return above > below ? base + j : base + up;
    }
    const int16_t down = sub(j, 1);
    const int16_t yDown = level(down);
    const int32_t below = lSub(x, lMult(yDown, yDown));
    return above < below ? base + j : base + down;
}

int16_t decodeSidGain(int index) {
    int segment = index >> 4;
    if (segment == 3) {
        segment = 2;
    }
    const int16_t step = int16_t(index - (segment << 4));
    const int16_t gain = add(shl(step, segment + 1), SID_GAIN_BASE[segment]);
    return shl(gain, 5);
}

void randomExcitation(int16_t gain, std::span<int16_t, PITCH_MAX> history, NoiseRing& ring,
                      std::span<int16_t, FRAME_LEN> out, Arithmetic arithmetic) {
    constexpr int PAIR_LEN = 2 * SUBFRAME_LEN;
    constexpr int NP = NOISE_PULSES_PER_BLOCK;

    // Pitch lags and adaptive gains.
    std::array<int, 2> pitchLag{};
    pitchLag[0] = ring.below(21) + 123;
    pitchLag[1] = ring.below(19) + 123;
    std::array<int, SUBFRAMES> adaptiveGain{};
    for (int& g : adaptiveGain) {
        g = ring.below(50) + 1;
    }

    // Grids and signs: one draw per pair of subframes.
    std::array<int, SUBFRAMES> offset{};
    std::array<int16_t, 2 * NP> signs{};
    for (int block = 0; block < 2; ++block) {
        int bits = ring.below(1 << (NP + 2));
        offset[2 * block] = bits & 1;
        bits >>= 1;
        offset[2 * block + 1] = SUBFRAME_LEN + (bits & 1);
        for (int i = 0; i < NP; ++i) {
            signs[block * NP + i] = int16_t(((bits & 2) - 1) * 16384);
            bits >>= 1;
        }
    }

    // Pulse places: distinct grid points per subframe, drawn without
    // replacement.
    std::array<int, 2 * NP> places{};
    int placed = 0;
    for (int sf = 0; sf < SUBFRAMES; ++sf) {
        int16_t free[SUBFRAME_LEN / GRID_SIZE];
        for (int i = 0; i < SUBFRAME_LEN / GRID_SIZE; ++i) {
            free[i] = int16_t(i);
        }
        int remaining = SUBFRAME_LEN / GRID_SIZE;
        for (int i = 0; i < PULSE_COUNT[sf]; ++i) {
            const int pick = ring.below(remaining);
            places[placed++] = free[pick] * 2 + offset[sf];
            --remaining;
            free[pick] = free[remaining];
        }
    }

    for (int block = 0; block < 2; ++block) {
        const std::span<int16_t> exc = out.subspan(block * PAIR_LEN, PAIR_LEN);
        for (int k = 0; k < 2; ++k) {
            const int index = 2 * block + k;
            // Both subframes of the pair read the history as it stood before
            // the pair: the lags exceed the pair's length.
            adaptiveCodebook(
                history.subspan(k * SUBFRAME_LEN), pitchLag[block], NOISE_LAG_OFFSET[index],
                adaptiveGain[index], FrameType::Rate53,
                std::span<int16_t, SUBFRAME_LEN>(exc.data() + k * SUBFRAME_LEN, SUBFRAME_LEN),
                arithmetic);
        }

        // Scale with at least 4 bits of margin.
        int16_t peak = 0;
        for (int16_t v : exc) {
            peak = std::max(peak, abs16(v));
        }
        int shift = peak == 0 ? 0 : std::max(4 - normS(peak), -2);

        int32_t energy = 0;
        int16_t scaled[PAIR_LEN];
        for (int i = 0; i < PAIR_LEN; ++i) {
            scaled[i] = shr(exc[i], shift);
            energy = lMac(energy, scaled[i], scaled[i]);
        }
        int32_t acc = 0;
        for (int i = 0; i < NP; ++i) {
            acc = lMac(acc, scaled[places[block * NP + i]], signs[block * NP + i]);
        }
        const int16_t cross = extractH(lShl(acc, 1));

        // Solve x^2 + 2 b0 x + c = 0 for the pulses' gain x, where
        // c = (adaptive energy - PAIR_LEN * gain^2) / NP and b0 = cross / NP.
        acc = lShr(lMult(gain, SUBFRAME_LEN), 6);
        acc = lMult(extractL(acc), gain);
        acc = lShr(acc, shl(int16_t(shift), 1) + 4);
        const int32_t c = lMls(lSub(energy, acc), INVERSE_NOISE_PULSES);
        const int16_t b0 = multR(cross, INVERSE_NOISE_PULSES);
        const int32_t delta = lNegate(lMsu(c, b0, b0));
        int16_t x;
        if (delta <= 0) {
            x = negate(b0);
        } else {
            const int16_t root = sqrtQ31(delta);
            x = sub(root, b0);
            const int16_t other = add(b0, root);
            if (abs16(other) < abs16(x)) {
                x = negate(other);
            }
        }
        int16_t pulseGain = shl(x, shift + 1);
        pulseGain = std::clamp(pulseGain, int16_t(-NOISE_GAIN_MAX), NOISE_GAIN_MAX);
        for (int i = 0; i < NP; ++i) {
            const int place = places[block * NP + i];
            exc[place] = add(exc[place], mult(pulseGain, signs[block * NP + i]));
        }

        // The pair becomes the newest part of the history.
        std::copy(history.begin() + PAIR_LEN, history.end(), history.begin());
        std::copy(exc.begin(), exc.end(), history.end() - PAIR_LEN);
    }
}

}  // namespace film::lpc
