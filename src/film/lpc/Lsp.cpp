#include "film/lpc/Lsp.h"

#include "film/lpc/FixedPoint.h"

namespace film::lpc {

using namespace fx;

LspVector decodeLsp(uint32_t lspIndex, const LspVector& previous) {
    LspVector lsp{};
    // Band 2 sits in the low byte.
    const auto& band0 = LSP_BAND0[(lspIndex >> 16) & 0xff];
    const auto& band1 = LSP_BAND1[(lspIndex >> 8) & 0xff];
    const auto& band2 = LSP_BAND2[lspIndex & 0xff];
    for (int j = 0; j < 3; ++j) {
        lsp[j] = band0[j];
        lsp[3 + j] = band1[j];
    }
    for (int j = 0; j < 4; ++j) {
        lsp[6 + j] = band2[j];
    }

    // First-order prediction from the previous vector, both without DC.
    for (int j = 0; j < LPC_ORDER; ++j) {
        const int16_t predicted = multR(sub(previous[j], LSP_DC[j]), LSP_PREDICTOR);
        lsp[j] = add(add(lsp[j], predicted), LSP_DC[j]);
    }

    // Push neighbours apart until every gap is at least the minimum; give up
    // after ten rounds and keep the previous vector.
    bool stable = false;
    for (int round = 0; round < LPC_ORDER; ++round) {
        if (lsp[0] < 0x180) {
            lsp[0] = 0x180;
        }
        if (lsp[LPC_ORDER - 1] > 0x7e00) {
            lsp[LPC_ORDER - 1] = 0x7e00;
        }
        for (int j = 1; j < LPC_ORDER; ++j) {
            int16_t overlap = sub(add(LSP_MIN_DISTANCE, lsp[j - 1]), lsp[j]);
            if (overlap > 0) {
                overlap = shr(overlap, 1);
                lsp[j - 1] = sub(lsp[j - 1], overlap);
                lsp[j] = add(lsp[j], overlap);
            }
        }
        stable = true;
        for (int j = 1; j < LPC_ORDER; ++j) {
            if (sub(sub(add(lsp[j - 1], LSP_MIN_DISTANCE), 4), lsp[j]) > 0) {
                stable = false;
            }
        }
        if (stable) {
            break;
        }
    }
    return stable ? lsp : previous;
}

FrameLpc interpolateLsp(const LspVector& current, const LspVector& previous) {
    FrameLpc lpc{};
    int16_t weight = -32768 / SUBFRAMES;
    for (int i = 0; i < SUBFRAMES; ++i) {
        LspVector lsp{};
        for (int j = 0; j < LPC_ORDER; ++j) {
            int32_t acc = depositH(previous[j]);
            acc = lMac(acc, weight, previous[j]);
            acc = lMsu(acc, weight, current[j]);
            lsp[j] = fx::round(acc);
        }
        lpc[i] = lspToLpc(lsp);
        weight = add(weight, -32768 / SUBFRAMES);
    }
    return lpc;
}

LpcVector lspToLpc(const LspVector& lsp) {
    // -cos of every frequency by table lookup on bits 15..7 and linear
    // interpolation on bits 6..0. The index is masked so that a vector
    // pushed out of range by damaged input still reads inside the table.
    std::array<int16_t, LPC_ORDER> c{};
    for (int i = 0; i < LPC_ORDER; ++i) {
        const int index = (lsp[i] >> 7) & 0x1ff;
        int32_t acc = depositH(COSINE_TABLE[index]);
        const int16_t slope = sub(COSINE_TABLE[index + 1], COSINE_TABLE[index]);
        acc = lMac(acc, slope, add(shl(int16_t(lsp[i] & 0x7f), 8), 0x80));
        acc = lShl(acc, 1);
        c[i] = negate(fx::round(acc));
    }

    // Sum (P) and difference (Q) polynomials from the even and odd
    // frequencies, scaled by 1/8 overall.
    std::array<int32_t, LPC_ORDER / 2 + 1> p{};
    std::array<int32_t, LPC_ORDER / 2 + 1> q{};
    p[0] = 0x10000000;
    p[1] = lMac(lMult(c[0], 0x2000), c[2], 0x2000);
    p[2] = lAdd(lShr(lMult(c[0], c[2]), 1), 0x20000000);
    q[0] = 0x10000000;
    q[1] = lMac(lMult(c[1], 0x2000), c[3], 0x2000);
    q[2] = lAdd(lShr(lMult(c[1], c[3]), 1), 0x20000000);

    for (int i = 2; i < LPC_ORDER / 2; ++i) {
        const int16_t ce = c[2 * i];
        const int16_t co = c[2 * i + 1];
        p[i + 1] = lAdd(lMls(p[i], ce), p[i - 1]);
        q[i + 1] = lAdd(lMls(q[i], co), q[i - 1]);
        for (int j = i; j >= 2; --j) {
            p[j] = lAdd(lAdd(lMls(p[j - 1], ce), lShr(p[j], 1)), lShr(p[j - 2], 1));
            q[j] = lAdd(lAdd(lMls(q[j - 1], co), lShr(q[j], 1)), lShr(q[j - 2], 1));
        }
        p[0] = lShr(p[0], 1);
        q[0] = lShr(q[0], 1);
        p[1] = lShr(lAdd(lShr(depositH(ce), i), p[1]), 1);
        q[1] = lShr(lAdd(lShr(depositH(co), i), q[1]), 1);
    }

    LpcVector a{};
    for (int i = 0; i < LPC_ORDER / 2; ++i) {
        int32_t sum = lAdd(lSub(lAdd(p[i], p[i + 1]), q[i]), q[i + 1]);
        a[i] = negate(fx::round(lShl(sum, 3)));
        int32_t difference = lSub(lAdd(lAdd(p[i], p[i + 1]), q[i]), q[i + 1]);
        a[LPC_ORDER - 1 - i] = negate(fx::round(lShl(difference, 3)));
    }
    return a;
}

}  // namespace film::lpc
