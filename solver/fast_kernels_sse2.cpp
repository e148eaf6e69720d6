// SPDX-License-Identifier: GPL-3.0-or-later
// The kernels on 128-bit vectors of two doubles, which every x86-64 processor has.
#if defined(__x86_64__)

#include <emmintrin.h>

#define SWIRLON_SIMD

#include "solver/dye_kernels.h"
#include "solver/fast_kernels.h"

namespace swirlon {
namespace {

struct Simd {
    using Vec = __m128d;
    static constexpr int Lanes = 2;
    static Vec load(const double* p) { return _mm_loadu_pd(p); }
    static void store(double* p, Vec v) { _mm_storeu_pd(p, v); }
    static Vec set1(double x) { return _mm_set1_pd(x); }
    static Vec zero() { return _mm_setzero_pd(); }
    static Vec add(Vec a, Vec b) { return _mm_add_pd(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm_sub_pd(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm_mul_pd(a, b); }
    static Vec div(Vec a, Vec b) { return _mm_div_pd(a, b); }
    static Vec reverse(Vec v) { return _mm_shuffle_pd(v, v, 1); }
    static Vec bitAnd(Vec a, Vec mask) { return _mm_and_pd(a, mask); }
    static Vec select(Vec mask, Vec a, Vec b) { return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b)); }
    static Vec min(Vec a, Vec b) { return _mm_min_pd(a, b); }
    static Vec max(Vec a, Vec b) { return _mm_max_pd(a, b); }
    // Through truncation to a 32-bit integer (SSE2 rounds no other way), which every value
    // the dye traces fits.
    static Vec floor(Vec x) {
        const Vec truncated = _mm_cvtepi32_pd(_mm_cvttpd_epi32(x));
        return _mm_sub_pd(truncated, _mm_and_pd(_mm_cmplt_pd(x, truncated), _mm_set1_pd(1.0)));
    }
    static void transpose(Vec* r) {
        const Vec t0 = _mm_unpacklo_pd(r[0], r[1]);
        const Vec t1 = _mm_unpackhi_pd(r[0], r[1]);
        r[0] = t0;
        r[1] = t1;
    }
};

}  // namespace

const FastKernelSet& fastKernelsSse2() { return fastKernelsOn<Simd>; }
DyeAdvection dyeAdvectionSse2() { return DyeKernel<Simd>::advect; }

}  // namespace swirlon

#endif
