// SPDX-License-Identifier: GPL-3.0-or-later
// The kernels on 256-bit vectors of four doubles, for processors with AVX2 (chosen at run time).
#if defined(__x86_64__)

#include <immintrin.h>

#define SWIRLON_SIMD __attribute__((target("avx2")))

#include "solver/dye_kernels.h"
#include "solver/fast_kernels.h"

namespace swirlon {
namespace {

struct Simd {
    using Vec = __m256d;
    static constexpr int Lanes = 4;
    // Reversed lane order for _mm256_permute4x64_pd: lanes 3, 2, 1, 0.
    static constexpr int ReverseOrder = 0x1B;
    // _mm256_permute2f128_pd selectors: low halves of both, high halves of both.
    static constexpr int LowHalves = 0x20;
    static constexpr int HighHalves = 0x31;
    SWIRLON_SIMD static Vec load(const double* p) { return _mm256_loadu_pd(p); }
    SWIRLON_SIMD static void store(double* p, Vec v) { _mm256_storeu_pd(p, v); }
    SWIRLON_SIMD static Vec set1(double x) { return _mm256_set1_pd(x); }
    SWIRLON_SIMD static Vec zero() { return _mm256_setzero_pd(); }
    SWIRLON_SIMD static Vec add(Vec a, Vec b) { return _mm256_add_pd(a, b); }
    SWIRLON_SIMD static Vec sub(Vec a, Vec b) { return _mm256_sub_pd(a, b); }
    SWIRLON_SIMD static Vec mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
    SWIRLON_SIMD static Vec div(Vec a, Vec b) { return _mm256_div_pd(a, b); }
    SWIRLON_SIMD static Vec reverse(Vec v) { return _mm256_permute4x64_pd(v, ReverseOrder); }
    SWIRLON_SIMD static Vec bitAnd(Vec a, Vec mask) { return _mm256_and_pd(a, mask); }
    SWIRLON_SIMD static Vec select(Vec mask, Vec a, Vec b) { return _mm256_blendv_pd(b, a, mask); }
    SWIRLON_SIMD static Vec min(Vec a, Vec b) { return _mm256_min_pd(a, b); }
    SWIRLON_SIMD static Vec max(Vec a, Vec b) { return _mm256_max_pd(a, b); }
    SWIRLON_SIMD static Vec floor(Vec x) { return _mm256_floor_pd(x); }
    SWIRLON_SIMD static void transpose(Vec* r) {
        const Vec t0 = _mm256_unpacklo_pd(r[0], r[1]);
        const Vec t1 = _mm256_unpackhi_pd(r[0], r[1]);
        const Vec t2 = _mm256_unpacklo_pd(r[2], r[3]);
        const Vec t3 = _mm256_unpackhi_pd(r[2], r[3]);
        r[0] = _mm256_permute2f128_pd(t0, t2, LowHalves);
        r[1] = _mm256_permute2f128_pd(t1, t3, LowHalves);
        r[2] = _mm256_permute2f128_pd(t0, t2, HighHalves);
        r[3] = _mm256_permute2f128_pd(t1, t3, HighHalves);
    }
};

}  // namespace

const FastKernelSet& fastKernelsAvx2() { return fastKernelsOn<Simd>; }
DyeAdvection dyeAdvectionAvx2() { return DyeKernel<Simd>::advect; }

}  // namespace swirlon

#endif
