#pragma once

#include <cstdint>

// The saturating 16/32-bit fractional operators of the ITU-T basic operator
// set, which G.723.1 is defined in. Every one saturates instead of wrapping;
// bit-exact output depends on each saturation happening exactly where the
// Recommendation puts it, so the decoder uses these instead of plain
// arithmetic wherever a value can leave its range.
namespace film::lpc::fx {

// Hot loops may run in plain 32-bit arithmetic where they can prove that no
// saturation would have acted; tests force the saturating path to check the
// plain one against it.
enum class Arithmetic { PlainWhereExact, SaturatingOnly };

inline constexpr int32_t MAX_32 = 0x7fffffff;
inline constexpr int32_t MIN_32 = -0x7fffffff - 1;

inline constexpr int16_t sat16(int32_t v) {
    return static_cast<int16_t>(v > 32767 ? 32767 : (v < -32768 ? -32768 : v));
}

inline constexpr int32_t sat32(int64_t v) {
    return static_cast<int32_t>(v > MAX_32 ? MAX_32 : (v < MIN_32 ? MIN_32 : v));
}

inline constexpr int16_t add(int16_t a, int16_t b) {
    return sat16(int32_t{a} + b);
}
inline constexpr int16_t sub(int16_t a, int16_t b) {
    return sat16(int32_t{a} - b);
}

inline constexpr int16_t negate(int16_t a) {
    return a == -32768 ? int16_t{32767} : int16_t(-a);
}
inline constexpr int16_t abs16(int16_t a) {
    return a == -32768 ? int16_t{32767} : int16_t(a < 0 ? -a : a);
}

inline constexpr int16_t shr(int16_t v, int n);

inline constexpr int16_t shl(int16_t v, int n) {
    if (n < 0) {
        return shr(v, -n);
    }
    if (n > 15) {
        return v == 0 ? int16_t{0} : (v > 0 ? int16_t{32767} : int16_t{-32768});
    }
    return sat16(int32_t{v} * (int32_t{1} << n));
}

inline constexpr int16_t shr(int16_t v, int n) {
    if (n < 0) {
        return shl(v, -n);
    }
    if (n >= 15) {
        return v < 0 ? int16_t{-1} : int16_t{0};
    }
    return static_cast<int16_t>(v >> n);
}

// (a * b) >> 15, and the same rounded.
inline constexpr int16_t mult(int16_t a, int16_t b) {
    return sat16((int32_t{a} * b) >> 15);
}
inline constexpr int16_t multR(int16_t a, int16_t b) {
    return sat16((int32_t{a} * b + 0x4000) >> 15);
}

inline constexpr int32_t lMult(int16_t a, int16_t b) {
    const int32_t p = int32_t{a} * b;
    return p == 0x40000000 ? MAX_32 : p * 2;
}

inline constexpr int32_t lAdd(int32_t a, int32_t b) {
    return sat32(int64_t{a} + b);
}
inline constexpr int32_t lSub(int32_t a, int32_t b) {
    return sat32(int64_t{a} - b);
}
inline constexpr int32_t lMac(int32_t acc, int16_t a, int16_t b) {
    return lAdd(acc, lMult(a, b));
}
inline constexpr int32_t lMsu(int32_t acc, int16_t a, int16_t b) {
    return lSub(acc, lMult(a, b));
}
inline constexpr int32_t lNegate(int32_t a) {
    return a == MIN_32 ? MAX_32 : -a;
}

inline constexpr int32_t lShr(int32_t v, int n);

inline constexpr int32_t lShl(int32_t v, int n) {
    if (n < 0) {
        return lShr(v, -n);
    }
    for (; n > 0; --n) {
        if (v > 0x3fffffff) {
            return MAX_32;
        }
        if (v < -0x40000000) {
            return MIN_32;
        }
        v *= 2;
    }
    return v;
}

inline constexpr int32_t lShr(int32_t v, int n) {
    if (n < 0) {
        return lShl(v, -n);
    }
    if (n >= 31) {
        return v < 0 ? -1 : 0;
    }
    return v >> n;
}

inline constexpr int16_t extractH(int32_t v) {
    return static_cast<int16_t>(v >> 16);
}
inline constexpr int16_t extractL(int32_t v) {
    return static_cast<int16_t>(v & 0xffff);
}
inline constexpr int32_t depositH(int16_t v) {
    return static_cast<int32_t>(uint32_t(v) << 16);
}
inline constexpr int16_t round(int32_t v) {
    return extractH(lAdd(v, 0x8000));
}

// Left shifts that bring a non-zero value into 0x4000..0x7fff (or its
// negative mirror); 0 for 0.
inline constexpr int normS(int16_t v) {
    if (v == 0) {
        return 0;
    }
    if (v == -1) {
        return 15;
    }
    int x = v < 0 ? ~v : v;
    int n = 0;
    while (x < 0x4000) {
        x <<= 1;
        ++n;
    }
    return n;
}

// A 32-bit value times a 16-bit fraction, (v * f) >> 15, computed as the
// Recommendation does it: the low half first, then a saturating
// multiply-accumulate of the high half.
inline constexpr int32_t lMls(int32_t v, int16_t f) {
    int32_t low = (v & 0xffff) * int32_t{f};
    low = lShr(low, 15);
    return lMac(low, f, extractH(v));
}

// The Recommendation's 14-step bitwise square root of a Q31 value.
inline constexpr int16_t sqrtQ31(int32_t num) {
    int16_t result = 0;
    int16_t bit = 0x4000;
    for (int i = 0; i < 14; ++i) {
        const int16_t trial = add(result, bit);
        if (num >= lMult(trial, trial)) {
            result = trial;
        }
        bit = shr(bit, 1);
    }
    return result;
}

}  // namespace film::lpc::fx
