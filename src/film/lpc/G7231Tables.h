#pragma once

#include <array>
#include <cstdint>

// Dimensions, constants and normative tables of ITU-T G.723.1 (decoder side,
// with the silence compression of Annex A).
namespace film::lpc {

inline constexpr int FRAME_LEN = 240;
inline constexpr int SUBFRAMES = 4;
inline constexpr int SUBFRAME_LEN = 60;
inline constexpr int LPC_ORDER = 10;
inline constexpr int PITCH_MIN = 18;
inline constexpr int PITCH_MAX = PITCH_MIN + 127;  // excitation history, 145 samples
inline constexpr int PITCH_ORDER = 5;              // taps of the adaptive codebook
inline constexpr int GRID_SIZE = 2;
inline constexpr int MAX_PULSES = 6;
inline constexpr int GAIN_LEVELS = 24;
inline constexpr int LSP_CODEBOOK_SIZE = 256;
inline constexpr int COS_TABLE_SIZE = 512;

// The DC component of the LSP vector; also the decoder's starting vector.
inline constexpr std::array<int16_t, LPC_ORDER> LSP_DC = {3131,  4721,  7690,  10806, 13872,
                                                          16495, 19752, 22260, 25484, 27718};

// Predictor of the LSP vector from the previous frame (Q15), and the minimum
// distance kept between neighbouring frequencies.
inline constexpr int16_t LSP_PREDICTOR = 12288;
inline constexpr int16_t LSP_MIN_DISTANCE = 0x100;

// MP-MLQ (6.3 kbit/s): pulses per subframe and the number of position codes.
inline constexpr std::array<int, SUBFRAMES> PULSE_COUNT = {6, 5, 6, 5};
inline constexpr std::array<int32_t, SUBFRAMES> MAX_POSITION_CODE = {593775, 142506, 593775,
                                                                     142506};

// Comfort noise (Annex A): pulses of the random excitation per two
// subframes, 1/11 in Q15, the cap of its gain, the SID gain quantiser's
// segment bases, bounds and energy factor.
inline constexpr int NOISE_PULSES_PER_BLOCK = 11;
inline constexpr int16_t INVERSE_NOISE_PULSES = 2979;
inline constexpr int16_t NOISE_GAIN_MAX = 2 * 5000;
inline constexpr std::array<int16_t, 3> SID_GAIN_BASE = {0, 32, 96};
inline constexpr std::array<int32_t, 3> SID_GAIN_SEGMENT_BOUND = {2048, 18432, 231233};
inline constexpr int16_t SID_ENERGY_FACTOR = 273;
inline constexpr std::array<int, SUBFRAMES> NOISE_LAG_OFFSET = {1, 0, 1, 3};

// Cosine in Q14 on 512 steps of a half turn, with one guard entry.
extern const std::array<int16_t, COS_TABLE_SIZE + 1> COSINE_TABLE;

// LSP vector quantiser: bands of 3, 3 and 4 frequencies.
extern const std::array<std::array<int16_t, 3>, LSP_CODEBOOK_SIZE> LSP_BAND0;
extern const std::array<std::array<int16_t, 3>, LSP_CODEBOOK_SIZE> LSP_BAND1;
extern const std::array<std::array<int16_t, 4>, LSP_CODEBOOK_SIZE> LSP_BAND2;

// Position coding of the MP-MLQ pulses.
extern const std::array<std::array<int32_t, SUBFRAME_LEN / GRID_SIZE>, MAX_PULSES>
    COMBINATORIAL_TABLE;

extern const std::array<int16_t, GAIN_LEVELS> FIXED_GAIN_TABLE;

// Five-tap adaptive codebook gain vectors (20 words per entry: the 5 taps and
// the search terms the encoder uses).
extern const std::array<int16_t, 85 * 20> ADAPTIVE_GAIN_TABLE_85;
extern const std::array<int16_t, 170 * 20> ADAPTIVE_GAIN_TABLE_170;

// 5.3 kbit/s pitch sharpening of the algebraic codebook, per adaptive gain
// index: the lag offset and the gain (Q15).
extern const std::array<int16_t, 170> ACELP_LAG_OFFSET;
extern const std::array<int16_t, 170> ACELP_PITCH_GAIN;

}  // namespace film::lpc
