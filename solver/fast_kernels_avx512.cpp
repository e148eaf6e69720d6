// SPDX-License-Identifier: GPL-3.0-or-later
// The kernels on 512-bit vectors of eight doubles, for processors with AVX-512F (chosen at run
// time). Eight neighbouring columns fill one vector.
#if defined(__x86_64__)

#include <immintrin.h>

#define SWIRLON_SIMD __attribute__((target("avx512f")))

#include "solver/dye_kernels.h"
#include "solver/fast_kernels.h"

namespace swirlon {
namespace {

struct Simd {
    using Vec = __m512d;
    static constexpr int Lanes = 8;
    // _mm512_shuffle_f64x2 selectors: 128-bit blocks 0, 1 of both sources, and blocks 2, 3.
    static constexpr int LowBlocks = 0x44;
    static constexpr int HighBlocks = 0xEE;
    // Blocks 2, 3, 0, 1.
    static constexpr int SwappedHalves = 0x4E;
    SWIRLON_SIMD static Vec load(const double* p) { return _mm512_loadu_pd(p); }
    SWIRLON_SIMD static void store(double* p, Vec v) { _mm512_storeu_pd(p, v); }
    SWIRLON_SIMD static Vec set1(double x) { return _mm512_set1_pd(x); }
    SWIRLON_SIMD static Vec zero() { return _mm512_setzero_pd(); }
    SWIRLON_SIMD static Vec add(Vec a, Vec b) { return _mm512_add_pd(a, b); }
    SWIRLON_SIMD static Vec sub(Vec a, Vec b) { return _mm512_sub_pd(a, b); }
    SWIRLON_SIMD static Vec mul(Vec a, Vec b) { return _mm512_mul_pd(a, b); }
    SWIRLON_SIMD static Vec div(Vec a, Vec b) { return _mm512_div_pd(a, b); }
    // The merge-masked forms (all lanes taken) of unpack, shuffle and permute: the plain ones in
    // g++ 12's headers start from an undefined vector that -Wuninitialized reports.
    static constexpr __mmask8 AllLanes = 0xFF;
    static constexpr __mmask8 AllHalfLanes = 0x0F;
    SWIRLON_SIMD static Vec reverse(Vec v) {
        return _mm512_mask_permutexvar_pd(v, AllLanes, _mm512_set_epi64(0, 1, 2, 3, 4, 5, 6, 7), v);
    }
    SWIRLON_SIMD static Vec bitAnd(Vec a, Vec mask) {
        return _mm512_castsi512_pd(_mm512_and_si512(_mm512_castpd_si512(a), _mm512_castpd_si512(mask)));
    }
    SWIRLON_SIMD static Vec select(Vec mask, Vec a, Vec b) {
        const __m512i m = _mm512_castpd_si512(mask);
        return _mm512_mask_blend_pd(_mm512_test_epi64_mask(m, m), b, a);
    }
    SWIRLON_SIMD static Vec min(Vec a, Vec b) { return _mm512_mask_min_pd(a, AllLanes, a, b); }
    SWIRLON_SIMD static Vec max(Vec a, Vec b) { return _mm512_mask_max_pd(a, AllLanes, a, b); }
    SWIRLON_SIMD static Vec floor(Vec x) {
        return _mm512_mask_roundscale_pd(x, AllLanes, x, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
    }
    // Lanes 0-3 a, lanes 4-7 b; the halves swapped; one pixel's four doubles in both halves; and
    // the lower half stored as one pixel.
    SWIRLON_SIMD static Vec setHalves(double a, double b) {
        const Vec low = _mm512_set1_pd(a);
        return _mm512_mask_insertf64x4(low, AllLanes, low, _mm256_set1_pd(b), 1);
    }
    SWIRLON_SIMD static Vec swapHalves(Vec v) { return _mm512_mask_shuffle_f64x2(v, AllLanes, v, v, SwappedHalves); }
    SWIRLON_SIMD static Vec loadPixel(const double* p) {
        return _mm512_mask_broadcast_f64x4(_mm512_setzero_pd(), AllLanes, _mm256_loadu_pd(p));
    }
    SWIRLON_SIMD static void storePixel(double* p, Vec v) {
        _mm256_storeu_pd(p, _mm512_mask_extractf64x4_pd(_mm256_setzero_pd(), AllHalfLanes, v, 0));
    }
    SWIRLON_SIMD static void transpose(Vec* r) {
        // Pairs of rows interleaved, then pairs of pairs, then the two halves.
        Vec t[8];
        for (int i = 0; i < 8; i += 2) {
            t[i] = _mm512_mask_unpacklo_pd(r[i], AllLanes, r[i], r[i + 1]);
            t[i + 1] = _mm512_mask_unpackhi_pd(r[i], AllLanes, r[i], r[i + 1]);
        }
        const __m512i evenPairs = _mm512_set_epi64(13, 12, 5, 4, 9, 8, 1, 0);
        const __m512i oddPairs = _mm512_set_epi64(15, 14, 7, 6, 11, 10, 3, 2);
        Vec u[8];
        for (int half = 0; half < 8; half += 4) {
            u[half + 0] = _mm512_permutex2var_pd(t[half + 0], evenPairs, t[half + 2]);
            u[half + 1] = _mm512_permutex2var_pd(t[half + 1], evenPairs, t[half + 3]);
            u[half + 2] = _mm512_permutex2var_pd(t[half + 0], oddPairs, t[half + 2]);
            u[half + 3] = _mm512_permutex2var_pd(t[half + 1], oddPairs, t[half + 3]);
        }
        for (int i = 0; i < 4; ++i) {
            r[i] = _mm512_mask_shuffle_f64x2(u[i], AllLanes, u[i], u[i + 4], LowBlocks);
            r[i + 4] = _mm512_mask_shuffle_f64x2(u[i], AllLanes, u[i], u[i + 4], HighBlocks);
        }
    }
};

}  // namespace

const FastKernelSet& fastKernelsAvx512() { return fastKernelsOn<Simd>; }
DyeAdvection dyeAdvectionAvx512() { return DyeKernel<Simd>::advect; }

}  // namespace swirlon

#endif
