// SPDX-License-Identifier: GPL-3.0-or-later
// The vector kernels of the fast step, written once for every instruction set. A source file
// includes this after defining SWIRLON_SIMD (the target attribute of its instruction set) and a
// struct Simd: the vector type Vec of Simd::Lanes doubles with load, store, set1, zero, add,
// sub, mul, div, reverse (lane order), transpose (Lanes x Lanes, in place), bitAnd and select.
//
// Everything here is the straightforward transform's arithmetic, operation for operation and
// in the same order, applied lane-wise to Lanes independent lines: a column group (Lanes
// neighbouring columns, contiguous in memory) or a row-pair group (Lanes row pairs, transposed
// in blocks). Each line's result is therefore the straightforward one, bit for bit.
//
// All of it lives in an anonymous namespace: every instruction set gets its own copy, and no
// function compiled for a wide instruction set can stand in for a narrower one at link time.
#pragma once

#include <array>

#include "solver/fast_step.h"
#include "solver/fast_tables.h"
#include "solver/fft.h"
#include "solver/grid.h"
#include "solver/operators.h"
#include "solver/time_step.h"

namespace swirlon {
namespace {

constexpr int N = GridSize;
constexpr int H = GridSize / 2;
constexpr int L = Simd::Lanes;
using Vec = Simd::Vec;

// Full column groups of the packed layout's complex columns 1..H-1; the rest are done as a
// partial group.
constexpr int FullComplexGroups = (H - 1) / L;
// Column groups that cover the band's complex columns 1..BandLimit; lanes past the band see
// zero input and are masked.
constexpr int BandGroups = (BandLimit + L - 1) / L;
constexpr int FirstZeroColumn = 1 + BandGroups * L;
constexpr int RowPairGroups = H / L;
static_assert(H % L == 0, "row pairs must fill whole groups");

// The forward transform's per-pass normalisation, computed as the straightforward one does.
const double ForwardScale = 1.0 / N;
constexpr double HalfcomplexWeight = 0.5;
constexpr double StageWeights[3] = {0.5, 0.5, 1.0};
constexpr double MiddleIncrementWeight = 2.0;

// Lanes lines of n complex values: line element k of lane l at [k * L + l].
struct alignas(64) LineGroup {
    double re[N * L];
    double im[N * L];
};

SWIRLON_SIMD inline Vec lineAt(const double* lines, int k) { return Simd::load(lines + k * L); }
SWIRLON_SIMD inline void setLine(double* lines, int k, Vec v) { Simd::store(lines + k * L, v); }
// Natural index k of a line left in bit-reversed order by the butterflies (rev: the table).
SWIRLON_SIMD inline Vec naturalAt(const double* lines, const int* rev, int k) { return lineAt(lines, rev[k]); }

// One butterfly of fft1d on values held in registers: x + y, and (x - y) times the twiddle.
SWIRLON_SIMD inline void butterfly(Vec& xr, Vec& xi, Vec& yr, Vec& yi, Vec wc, Vec ws) {
    const Vec dr = Simd::sub(xr, yr);
    const Vec di = Simd::sub(xi, yi);
    xr = Simd::add(xr, yr);
    xi = Simd::add(xi, yi);
    yr = Simd::sub(Simd::mul(dr, wc), Simd::mul(di, ws));
    yi = Simd::add(Simd::mul(dr, ws), Simd::mul(di, wc));
}

// Where the butterflies take their input lines and leave their results: the group itself, or
// (for a pass that loads or forms its input as it goes, or stores its results at once) a source
// or sink with the same member. Results reach the sink at their bit-reversed positions.
struct GroupLines {
    LineGroup& g;
    SWIRLON_SIMD void read(int k, Vec& re, Vec& im) const {
        re = lineAt(g.re, k);
        im = lineAt(g.im, k);
    }
    SWIRLON_SIMD void write(int k, Vec re, Vec im) const {
        setLine(g.re, k, re);
        setLine(g.im, k, im);
    }
};

// Stages half and half / 2 of fft1d in one pass, the values held in registers.
template <typename Source>
SWIRLON_SIMD void twoStages(LineGroup& g, const double* sinTable, const double* cosTable, int half, int stride, const Source& source) {
    const int quarter = half / 2;
    for (int i = 0; i < quarter; ++i) {
        const Vec wc0 = Simd::set1(cosTable[i * stride]);
        const Vec ws0 = Simd::set1(sinTable[i * stride]);
        const Vec wc1 = Simd::set1(cosTable[(i + quarter) * stride]);
        const Vec ws1 = Simd::set1(sinTable[(i + quarter) * stride]);
        const Vec wcNext = Simd::set1(cosTable[i * 2 * stride]);
        const Vec wsNext = Simd::set1(sinTable[i * 2 * stride]);
        for (int block = 0; block < N; block += 2 * half) {
            const int j0 = block + i;
            const int j1 = j0 + quarter;
            const int j2 = j0 + half;
            const int j3 = j1 + half;
            Vec r0;
            Vec i0;
            Vec r1;
            Vec i1;
            Vec r2;
            Vec i2;
            Vec r3;
            Vec i3;
            source.read(j0, r0, i0);
            source.read(j1, r1, i1);
            source.read(j2, r2, i2);
            source.read(j3, r3, i3);
            butterfly(r0, i0, r2, i2, wc0, ws0);
            butterfly(r1, i1, r3, i3, wc1, ws1);
            butterfly(r0, i0, r1, i1, wcNext, wsNext);
            butterfly(r2, i2, r3, i3, wcNext, wsNext);
            setLine(g.re, j0, r0);
            setLine(g.im, j0, i0);
            setLine(g.re, j1, r1);
            setLine(g.im, j1, i1);
            setLine(g.re, j2, r2);
            setLine(g.im, j2, i2);
            setLine(g.re, j3, r3);
            setLine(g.im, j3, i3);
        }
    }
}

// The last three stages of fft1d (half = 4, 2, 1) on each block of eight neighbouring lines,
// held in registers, then handed to the sink.
template <typename Sink>
SWIRLON_SIMD void lastThreeStages(LineGroup& g, const double* sinTable, const double* cosTable, int stride, const Sink& sink) {
    constexpr int Block = 8;
    constexpr int Quarter = Block / 4;
    constexpr int Half = Block / 2;
    Vec wc4[Half];
    Vec ws4[Half];
    for (int i = 0; i < Half; ++i) {
        wc4[i] = Simd::set1(cosTable[i * stride]);
        ws4[i] = Simd::set1(sinTable[i * stride]);
    }
    Vec wc2[Quarter];
    Vec ws2[Quarter];
    for (int i = 0; i < Quarter; ++i) {
        wc2[i] = Simd::set1(cosTable[i * 2 * stride]);
        ws2[i] = Simd::set1(sinTable[i * 2 * stride]);
    }
    const Vec wc1 = Simd::set1(cosTable[0]);
    const Vec ws1 = Simd::set1(sinTable[0]);
    for (int block = 0; block < N; block += Block) {
        Vec r[Block];
        Vec m[Block];
        for (int j = 0; j < Block; ++j) {
            r[j] = lineAt(g.re, block + j);
            m[j] = lineAt(g.im, block + j);
        }
        for (int i = 0; i < Half; ++i) {
            butterfly(r[i], m[i], r[i + Half], m[i + Half], wc4[i], ws4[i]);
        }
        for (int base = 0; base < Block; base += Half) {
            for (int i = 0; i < Quarter; ++i) {
                butterfly(r[base + i], m[base + i], r[base + i + Quarter], m[base + i + Quarter], wc2[i], ws2[i]);
            }
        }
        for (int j = 0; j < Block; j += 2) {
            butterfly(r[j], m[j], r[j + 1], m[j + 1], wc1, ws1);
        }
        for (int j = 0; j < Block; ++j) {
            sink.write(block + j, r[j], m[j]);
        }
    }
}

// log2 N = 2 * (two-stage passes) + 3: the passes below cover every stage exactly once.
constexpr bool stagesFitPasses(int n) {
    int stages = 0;
    while (n > 1) {
        n /= 2;
        ++stages;
    }
    return stages >= 5 && stages % 2 == 1;
}
static_assert(stagesFitPasses(N), "the butterfly passes need log2 N odd and at least 5");

// The butterflies of fft1d on Lanes lines at once, read from the source and handed to the sink
// (by default: left in g) in bit-reversed order. The caller applies the scale (none for scale
// 1, since x * 1.0 is x for every value arithmetic produces). Several stages at a time while
// the values stay in registers: each value meets the same butterflies in the same order as
// stage by stage, since the butterflies of one stage touch disjoint positions. A sink that
// stores at natural positions should not do so at a power-of-two stride: bit reversal would
// send each block's results into the same few cache sets.
template <typename Source, typename Sink>
SWIRLON_SIMD void butterflies(LineGroup& g, const double* sinTable, const double* cosTable, const Source& source, const Sink& sink) {
    constexpr int LastThreeHalf = 4;
    constexpr int StagesPerPass = 4;
    twoStages(g, sinTable, cosTable, N / 2, 1, source);
    int half = N / 2 / StagesPerPass;
    int stride = StagesPerPass;
    for (; half > LastThreeHalf; half /= StagesPerPass, stride *= StagesPerPass) {
        twoStages(g, sinTable, cosTable, half, stride, GroupLines{g});
    }
    lastThreeStages(g, sinTable, cosTable, stride, sink);
}

template <typename Source, typename Sink>
SWIRLON_SIMD void forwardButterflies(LineGroup& g, const Source& source, const Sink& sink) {
    const FftTables& t = fftTables(N);
    butterflies(g, t.forwardSinTable.data(), t.cosTable.data(), source, sink);
}

template <typename Source, typename Sink>
SWIRLON_SIMD void inverseButterflies(LineGroup& g, const Source& source, const Sink& sink) {
    const FftTables& t = fftTables(N);
    butterflies(g, t.inverseSinTable.data(), t.cosTable.data(), source, sink);
}

SWIRLON_SIMD void forwardButterflies(LineGroup& g) { forwardButterflies(g, GroupLines{g}, GroupLines{g}); }

SWIRLON_SIMD void inverseButterflies(LineGroup& g) { inverseButterflies(g, GroupLines{g}, GroupLines{g}); }

// ---- Column groups: lane l is column s0 + l (real parts) with column N - s0 - l (imaginary).

SWIRLON_SIMD void loadComplexColumns(const double* a, int s0, LineGroup& g) {
    for (int r = 0; r < N; ++r) {
        setLine(g.re, r, Simd::load(a + r * N + s0));
        setLine(g.im, r, Simd::reverse(Simd::load(a + r * N + N - s0 - L + 1)));
    }
}

SWIRLON_SIMD void storeComplexColumns(double* a, int s0, const LineGroup& g, bool scaled) {
    const Vec scale = Simd::set1(ForwardScale);
    const int* rev = fastTables().bitReversed.data();
    for (int r = 0; r < N; ++r) {
        Vec re = naturalAt(g.re, rev, r);
        Vec im = naturalAt(g.im, rev, r);
        if (scaled) {
            re = Simd::mul(re, scale);
            im = Simd::mul(im, scale);
        }
        Simd::store(a + r * N + s0, re);
        Simd::store(a + r * N + N - s0 - L + 1, Simd::reverse(im));
    }
}

// The complex columns past the last full group, lane by lane; unused lanes carry zeros.
SWIRLON_SIMD void complexColumnTail(double* a, bool forward) {
    constexpr int s0 = 1 + FullComplexGroups * L;
    constexpr int count = H - s0;
    if constexpr (count > 0) {
        LineGroup g;
        for (int r = 0; r < N; ++r) {
            for (int l = 0; l < L; ++l) {
                g.re[r * L + l] = l < count ? a[r * N + s0 + l] : 0.0;
                g.im[r * L + l] = l < count ? a[r * N + N - s0 - l] : 0.0;
            }
        }
        if (forward) {
            forwardButterflies(g);
        } else {
            inverseButterflies(g);
        }
        const int* rev = fastTables().bitReversed.data();
        for (int r = 0; r < N; ++r) {
            for (int l = 0; l < count; ++l) {
                double re = g.re[rev[r] * L + l];
                double im = g.im[rev[r] * L + l];
                if (forward) {
                    re *= ForwardScale;
                    im *= ForwardScale;
                }
                a[r * N + s0 + l] = re;
                a[r * N + N - s0 - l] = im;
            }
        }
    } else {
        (void)a;
        (void)forward;
    }
}

// ---- Row-pair groups: lane l is the row pair 2(p0 + l), 2(p0 + l) + 1.

// Even rows into g.re, odd rows into g.im, element k of each row at line index k.
SWIRLON_SIMD void loadRowPairs(const double* a, int p0, LineGroup& g) {
    Vec block[L];
    for (int parity = 0; parity < 2; ++parity) {
        double* lines = parity == 0 ? g.re : g.im;
        for (int kb = 0; kb < N; kb += L) {
            for (int l = 0; l < L; ++l) {
                block[l] = Simd::load(a + (2 * (p0 + l) + parity) * N + kb);
            }
            Simd::transpose(block);
            for (int i = 0; i < L; ++i) {
                setLine(lines, kb + i, block[i]);
            }
        }
    }
}

// g.re back to the even rows and g.im to the odd rows; lines in natural or bit-reversed order.
SWIRLON_SIMD void storeRowPairs(double* a, int p0, const LineGroup& g, bool bitReversedLines) {
    const int* rev = fastTables().bitReversed.data();
    Vec block[L];
    for (int parity = 0; parity < 2; ++parity) {
        const double* lines = parity == 0 ? g.re : g.im;
        for (int kb = 0; kb < N; kb += L) {
            for (int i = 0; i < L; ++i) {
                block[i] = lineAt(lines, bitReversedLines ? rev[kb + i] : kb + i);
            }
            Simd::transpose(block);
            for (int l = 0; l < L; ++l) {
                Simd::store(a + (2 * (p0 + l) + parity) * N + kb, block[l]);
            }
        }
    }
}

// Entries k and N - k of the spectrum of P + i*Q from those of the halfcomplex rows P and Q.
SWIRLON_SIMD inline void setPairSpectrum(LineGroup& g, int k, Vec pk, Vec pnk, Vec qk, Vec qnk) {
    setLine(g.re, k, Simd::sub(pk, qnk));
    setLine(g.re, N - k, Simd::add(pk, qnk));
    setLine(g.im, k, Simd::add(pnk, qk));
    setLine(g.im, N - k, Simd::sub(qk, pnk));
}

// Halfcomplex row pair P (g.re), Q (g.im) to the spectrum of P + i*Q, in place.
SWIRLON_SIMD void rowPairSpectrum(LineGroup& g) {
    for (int k = 1; k < H; ++k) {
        setPairSpectrum(g, k, lineAt(g.re, k), lineAt(g.re, N - k), lineAt(g.im, k), lineAt(g.im, N - k));
    }
}

// ---- The packed row layout between a column pass and a row pass inside the step. Each row holds
// the band column groups' values as the vectors hold them (group g's real lanes at 2gL, its
// imaginary lanes at 2gL + L), then column 0. Stores and loads stay whole vectors at a fixed
// offset, with no lane reversal, and the zero columns (the rest) are neither stored nor loaded:
// their values are known, and a row pass fills them in itself. Packed rows follow each other
// at a stride of their own, shorter than a grid row: at a grid row's power-of-two stride every
// row of a column falls into the same few cache sets, at this one they spread over the cache.

constexpr int PackedColumnZero = 2 * BandGroups * L;
constexpr int PackedStride = PackedColumnZero + L;
static_assert(PackedStride < N, "packed rows must stay ahead of the grid rows written over them");

constexpr int packedRe(int group) { return 2 * group * L; }
constexpr int packedIm(int group) { return 2 * group * L + L; }

// A column group's results stored packed, each at its natural row.
struct PackedColumnsSink {
    double* a;
    int group;
    const int* rev;
    SWIRLON_SIMD void write(int k, Vec re, Vec im) const {
        double* row = a + rev[k] * PackedStride;
        Simd::store(row + packedRe(group), re);
        Simd::store(row + packedIm(group), im);
    }
};

// A column group read from the packed layout: the source of its butterflies.
struct PackedColumnsSource {
    const double* a;
    int group;
    SWIRLON_SIMD void read(int r, Vec& re, Vec& im) const {
        re = Simd::load(a + r * PackedStride + packedRe(group));
        im = Simd::load(a + r * PackedStride + packedIm(group));
    }
};

// The block at packed position kb of Lanes rows of one parity, transposed.
SWIRLON_SIMD inline void loadRowBlock(const double* a, int p0, int parity, int kb, Vec* block) {
    for (int l = 0; l < L; ++l) {
        block[l] = Simd::load(a + (2 * (p0 + l) + parity) * PackedStride + kb);
    }
    Simd::transpose(block);
}

SWIRLON_SIMD inline void storeRowBlock(double* a, int p0, int parity, int kb, Vec* block) {
    Simd::transpose(block);
    for (int l = 0; l < L; ++l) {
        Simd::store(a + (2 * (p0 + l) + parity) * PackedStride + kb, block[l]);
    }
}

// Packed rows to row-pair lines as loadRowPairs and then rowPairSpectrum leave them: each
// column group's four blocks (real and imaginary lanes of either parity) meet in registers.
// The zero columns come from the tables.
SWIRLON_SIMD void loadPackedRowPairSpectrum(const double* a, int p0, LineGroup& g) {
    const FastTables& t = fastTables();
    Vec p[L];
    Vec pn[L];
    Vec q[L];
    Vec qn[L];
    for (int group = 0; group < BandGroups; ++group) {
        const int s0 = 1 + group * L;
        loadRowBlock(a, p0, 0, packedRe(group), p);
        loadRowBlock(a, p0, 0, packedIm(group), pn);
        loadRowBlock(a, p0, 1, packedRe(group), q);
        loadRowBlock(a, p0, 1, packedIm(group), qn);
        for (int i = 0; i < L; ++i) {
            setPairSpectrum(g, s0 + i, p[i], pn[i], q[i], qn[i]);
        }
    }
    loadRowBlock(a, p0, 0, PackedColumnZero, p);
    loadRowBlock(a, p0, 1, PackedColumnZero, q);
    setLine(g.re, 0, p[0]);
    setLine(g.im, 0, q[0]);
    const Vec evenRe = Simd::load(t.zeroComplexColumnReByParity[0].data() + p0);
    const Vec evenIm = Simd::load(t.zeroComplexColumnImByParity[0].data() + p0);
    const Vec oddRe = Simd::load(t.zeroComplexColumnReByParity[1].data() + p0);
    const Vec oddIm = Simd::load(t.zeroComplexColumnImByParity[1].data() + p0);
    for (int c = FirstZeroColumn; c < H; ++c) {
        setPairSpectrum(g, c, evenRe, evenIm, oddRe, oddIm);
    }
    setLine(g.re, H, Simd::load(t.zeroRealColumnByParity[0].data() + p0));
    setLine(g.im, H, Simd::load(t.zeroRealColumnByParity[1].data() + p0));
}

// Row-pair lines (natural order) to packed rows; the lanes after column 0 repeat it.
SWIRLON_SIMD void storePackedRowPairs(double* a, int p0, const LineGroup& g) {
    Vec block[L];
    for (int parity = 0; parity < 2; ++parity) {
        const double* lines = parity == 0 ? g.re : g.im;
        for (int group = 0; group < BandGroups; ++group) {
            const int s0 = 1 + group * L;
            for (int i = 0; i < L; ++i) {
                block[i] = lineAt(lines, s0 + i);
            }
            storeRowBlock(a, p0, parity, packedRe(group), block);
            for (int i = 0; i < L; ++i) {
                block[i] = lineAt(lines, N - s0 - i);
            }
            storeRowBlock(a, p0, parity, packedIm(group), block);
        }
        for (int i = 0; i < L; ++i) {
            block[i] = lineAt(lines, 0);
        }
        storeRowBlock(a, p0, parity, PackedColumnZero, block);
    }
}

// The forward row transform's output (bit-reversed, unscaled) in x, separated into two
// halfcomplex rows: even into out.re, odd into out.im, natural order.
SWIRLON_SIMD void separateRowPairs(const LineGroup& x, LineGroup& out) {
    const Vec scale = Simd::set1(ForwardScale);
    const Vec half = Simd::set1(HalfcomplexWeight);
    const int* rev = fastTables().bitReversed.data();
    setLine(out.re, 0, Simd::mul(naturalAt(x.re, rev, 0), scale));
    setLine(out.re, H, Simd::mul(naturalAt(x.re, rev, H), scale));
    setLine(out.im, 0, Simd::mul(naturalAt(x.im, rev, 0), scale));
    setLine(out.im, H, Simd::mul(naturalAt(x.im, rev, H), scale));
    for (int k = 1; k < H; ++k) {
        const Vec rk = Simd::mul(naturalAt(x.re, rev, k), scale);
        const Vec rnk = Simd::mul(naturalAt(x.re, rev, N - k), scale);
        const Vec ik = Simd::mul(naturalAt(x.im, rev, k), scale);
        const Vec ink = Simd::mul(naturalAt(x.im, rev, N - k), scale);
        setLine(out.re, k, Simd::mul(Simd::add(rnk, rk), half));
        setLine(out.re, N - k, Simd::mul(Simd::sub(ik, ink), half));
        setLine(out.im, k, Simd::mul(Simd::add(ink, ik), half));
        setLine(out.im, N - k, Simd::mul(Simd::sub(rnk, rk), half));
    }
}

// ---- The real columns 0 and H, one scalar line each, exactly as the straightforward transforms.

void forwardRealColumn(double* a, int column) {
    const FftTables& t = fftTables(N);
    double re[N];
    double im[N];
    for (int r = 0; r < N; ++r) {
        re[r] = a[r * N + column];
        im[r] = 0.0;
    }
    fft1d(N, ForwardScale, re, im, t.forwardSinTable.data(), t.cosTable.data());
    for (int r = 0; r <= H; ++r) {
        a[r * N + column] = re[r];
    }
    for (int k = 1; k < H; ++k) {
        a[(N - k) * N + column] = im[k];
    }
}

// The halfcomplex column read from a to grid values written to out, both at the given stride
// (a and out may be the same column).
void inverseRealColumn(const double* a, double* out, int stride = N) {
    const FftTables& t = fftTables(N);
    double re[N];
    double im[N];
    re[0] = a[0];
    re[H] = a[H * stride];
    for (int r = 1; r < H; ++r) {
        re[r] = a[r * stride];
        re[N - r] = a[r * stride];
    }
    im[0] = 0.0;
    im[H] = 0.0;
    for (int k = 1; k < H; ++k) {
        im[k] = a[(N - k) * stride];
        im[N - k] = -a[(N - k) * stride];
    }
    fft1d(N, 1.0, re, im, t.inverseSinTable.data(), t.cosTable.data());
    for (int r = 0; r < N; ++r) {
        out[r * stride] = re[r];
    }
}

// ---- The public transforms.

SWIRLON_SIMD void forwardTransform(double* a) {
    LineGroup x;
    LineGroup out;
    for (int group = 0; group < RowPairGroups; ++group) {
        const int p0 = group * L;
        loadRowPairs(a, p0, x);
        forwardButterflies(x);
        separateRowPairs(x, out);
        storeRowPairs(a, p0, out, false);
    }
    for (int group = 0; group < FullComplexGroups; ++group) {
        const int s0 = 1 + group * L;
        loadComplexColumns(a, s0, x);
        forwardButterflies(x);
        storeComplexColumns(a, s0, x, true);
    }
    complexColumnTail(a, true);
    forwardRealColumn(a, 0);
    forwardRealColumn(a, H);
}

SWIRLON_SIMD void inverseTransform(double* a) {
    LineGroup g;
    for (int group = 0; group < FullComplexGroups; ++group) {
        const int s0 = 1 + group * L;
        loadComplexColumns(a, s0, g);
        inverseButterflies(g);
        storeComplexColumns(a, s0, g, false);
    }
    complexColumnTail(a, false);
    inverseRealColumn(a, a);
    inverseRealColumn(a + H, a + H);
    for (int group = 0; group < RowPairGroups; ++group) {
        const int p0 = group * L;
        loadRowPairs(a, p0, g);
        rowPairSpectrum(g);
        inverseButterflies(g);
        storeRowPairs(a, p0, g, true);
    }
}

// ---- The step.

enum class Derivative : int { velX = 0, velY, gradX, gradY };
constexpr Slot DerivativeSlots[4] = {Slot::velX, Slot::velY, Slot::gradX, Slot::gradY};

SWIRLON_SIMD inline Vec loadBits(const std::uint64_t* bits) {
    return Simd::load(reinterpret_cast<const double*>(bits));
}

// One derivative's spectrum on the column group s0, formed row by row from psi as
// computeDerivatives forms it (the same integer factors as doubles, times the partner entry),
// zeros off the band: the source of the group's butterflies.
struct DerivativeColumns {
    const FastTables& t;
    const double* psi;
    Derivative d;
    int s0;
    int mirror;
    Vec mask;
    Vec a2;
    // Imaginary lanes run backwards through memory; their factors are reversed once here.
    Vec velYRe;
    Vec velYIm;
    Vec gradXRe;
    Vec gradXIm;

    SWIRLON_SIMD DerivativeColumns(const double* psiIn, Derivative which, int first)
        : t(fastTables()),
          psi(psiIn),
          d(which),
          s0(first),
          mirror(N - first - L + 1),
          mask(loadBits(t.bandColumnMask.data() + first)),
          a2(Simd::load(t.columnA2.data() + first)),
          velYRe(Simd::load(t.velYFactor.data() + first)),
          velYIm(Simd::reverse(Simd::load(t.velYFactor.data() + mirror))),
          gradXRe(Simd::load(t.gradXFactor.data() + first)),
          gradXIm(Simd::reverse(Simd::load(t.gradXFactor.data() + mirror))) {}

    SWIRLON_SIMD void read(int r, Vec& re, Vec& im) const {
        if (!isBandIndex(r)) {
            re = Simd::zero();
            im = Simd::zero();
            return;
        }
        // Real-part lanes take their partner from the imaginary columns and vice versa.
        const Vec partnerOfRe = Simd::reverse(Simd::load(psi + r * N + mirror));
        const Vec partnerOfIm = Simd::load(psi + r * N + s0);
        const Vec k2 = Simd::add(a2, Simd::set1(t.rowB2[r]));
        switch (d) {
            case Derivative::velX:
                re = Simd::mul(Simd::set1(t.kyRealColumns[r]), partnerOfRe);
                im = Simd::mul(Simd::set1(t.kyImaginaryColumns[r]), partnerOfIm);
                break;
            case Derivative::velY:
                re = Simd::mul(velYRe, partnerOfRe);
                im = Simd::mul(velYIm, partnerOfIm);
                break;
            case Derivative::gradX:
                re = Simd::mul(Simd::mul(gradXRe, k2), partnerOfRe);
                im = Simd::mul(Simd::mul(gradXIm, k2), partnerOfIm);
                break;
            case Derivative::gradY:
            default:
                re = Simd::mul(Simd::mul(Simd::set1(t.kyRealColumns[r]), k2), partnerOfRe);
                im = Simd::mul(Simd::mul(Simd::set1(t.kyImaginaryColumns[r]), k2), partnerOfIm);
                break;
        }
        re = Simd::bitAnd(re, mask);
        im = Simd::bitAnd(im, mask);
    }
};

// Column 0 of velX or gradY (the only derivatives with one there): formed into the packed
// column 0 as computeDerivatives forms it, then transformed there as a real column.
void derivativeColumnZero(const double* psi, Derivative d, double* column) {
    const FastTables& t = fastTables();
    const double* factor = d == Derivative::velX ? t.columnZeroVelX.data() : t.columnZeroGradY.data();
    for (int r = 0; r < N; ++r) {
        column[r * PackedStride] = (r != 0 && isBandIndex(r)) ? factor[r] * psi[(N - r) * N] : 0.0;
    }
    inverseRealColumn(column, column, PackedStride);
}

// The column pass of the four derivative spectra of psi, written packed into their slots.
SWIRLON_SIMD void derivativeColumnPass(FieldBank& bank) {
    const FastTables& t = fastTables();
    const double* psi = bank[Slot::psi].data();
    LineGroup g;
    for (int which = 0; which < 4; ++which) {
        const Derivative d = static_cast<Derivative>(which);
        double* a = bank[DerivativeSlots[which]].data();
        for (int group = 0; group < BandGroups; ++group) {
            inverseButterflies(g, DerivativeColumns(psi, d, 1 + group * L), PackedColumnsSink{a, group, t.bitReversed.data()});
        }
        if (d == Derivative::velX || d == Derivative::gradY) {
            derivativeColumnZero(psi, d, a + PackedColumnZero);
        } else {
            for (int r = 0; r < N; ++r) {
                a[r * PackedStride + PackedColumnZero] = t.zeroRealColumn[r];
            }
        }
    }
}

// The row transform of one derivative slot's (packed) row-pair group, left bit-reversed in g.
SWIRLON_SIMD void inverseRowGroup(const double* a, int p0, LineGroup& g) {
    loadPackedRowPairSpectrum(a, p0, g);
    inverseButterflies(g);
}

// The forward row transform of the advection row pairs in x (natural order), separated and
// stored packed into the advection slot (band columns only); x is used as work space.
SWIRLON_SIMD void advectionRowGroup(FieldBank& bank, int p0, LineGroup& x, LineGroup& out) {
    forwardButterflies(x);
    separateRowPairs(x, out);
    storePackedRowPairs(bank[Slot::advection].data(), p0, out);
}

// The row pass of the four derivatives; grid values go to their slots when asked for, and the
// advection product, when asked for, goes straight on through its forward row transform.
SWIRLON_SIMD void derivativeRowPass(FieldBank& bank, bool writeGrids, bool advect) {
    double* velX = bank[Slot::velX].data();
    double* velY = bank[Slot::velY].data();
    double* gradX = bank[Slot::gradX].data();
    double* gradY = bank[Slot::gradY].data();
    const int* rev = fastTables().bitReversed.data();
    LineGroup bx;
    LineGroup by;
    LineGroup bg;
    // Last group first: a group's grid rows then only cover packed rows already read.
    for (int group = RowPairGroups - 1; group >= 0; --group) {
        const int p0 = group * L;
        inverseRowGroup(velX, p0, bx);
        inverseRowGroup(velY, p0, by);
        if (writeGrids) {
            storeRowPairs(velX, p0, bx, true);
            storeRowPairs(velY, p0, by, true);
        }
        inverseRowGroup(gradX, p0, bg);
        if (writeGrids) {
            storeRowPairs(gradX, p0, bg, true);
        }
        if (advect) {
            // gradX * velX, kept in bx (positions are the same bit-reversed ones in both).
            for (int k = 0; k < N; ++k) {
                setLine(bx.re, k, Simd::mul(lineAt(bg.re, k), lineAt(bx.re, k)));
                setLine(bx.im, k, Simd::mul(lineAt(bg.im, k), lineAt(bx.im, k)));
            }
        }
        inverseRowGroup(gradY, p0, bg);
        if (writeGrids) {
            storeRowPairs(gradY, p0, bg, true);
        }
        if (!advect) {
            continue;
        }
        // gradY * velY + gradX * velX, put into natural order in by, pair of positions by pair.
        for (int x = 0; x < N; ++x) {
            const int rx = rev[x];
            if (rx < x) {
                continue;
            }
            const Vec atXRe = Simd::add(Simd::mul(lineAt(bg.re, rx), lineAt(by.re, rx)), lineAt(bx.re, rx));
            const Vec atXIm = Simd::add(Simd::mul(lineAt(bg.im, rx), lineAt(by.im, rx)), lineAt(bx.im, rx));
            const Vec atRxRe = Simd::add(Simd::mul(lineAt(bg.re, x), lineAt(by.re, x)), lineAt(bx.re, x));
            const Vec atRxIm = Simd::add(Simd::mul(lineAt(bg.im, x), lineAt(by.im, x)), lineAt(bx.im, x));
            setLine(by.re, x, atXRe);
            setLine(by.im, x, atXIm);
            setLine(by.re, rx, atRxRe);
            setLine(by.im, rx, atRxIm);
        }
        advectionRowGroup(bank, p0, by, bx);
    }
}

// The advection product of the grid values in the bank, through its forward row transform.
SWIRLON_SIMD void advectionRowPassFromGrids(FieldBank& bank) {
    formAdvection(bank);
    const double* advection = bank[Slot::advection].data();
    LineGroup x;
    LineGroup out;
    for (int group = 0; group < RowPairGroups; ++group) {
        const int p0 = group * L;
        loadRowPairs(advection, p0, x);
        advectionRowGroup(bank, p0, x, out);
    }
}

// What one stage does with the advection spectrum on each band entry.
struct StageUpdate {
    int stage;  // 0..3
    double nu;
    double dt;
};

// increment = (advection / K^2 - nu * K^2 * psi) * dt into the stage's slot; then psi becomes
// the next stage state (weight * increment + base) or, after the last stage, the combination.
// Lanes outside the band keep what their entries held.
[[gnu::always_inline]] SWIRLON_SIMD inline void updateEntries(FieldBank& bank, const StageUpdate& u, int at, Vec advection, Vec k2, Vec mask) {
    constexpr Slot Increments[4] = {Slot::rk1, Slot::rk2, Slot::rk3, Slot::rk4};
    double* psi = bank[Slot::psi].data() + at;
    double* increment = bank[Increments[u.stage]].data() + at;
    const Vec oldPsi = Simd::load(psi);
    const Vec viscous = Simd::mul(Simd::mul(Simd::set1(u.nu), k2), oldPsi);
    const Vec inc = Simd::mul(Simd::sub(Simd::div(advection, k2), viscous), Simd::set1(u.dt));
    Simd::store(increment, Simd::select(mask, inc, Simd::load(increment)));
    const Vec base = Simd::load(bank[Slot::psiBase].data() + at);
    Vec next;
    if (u.stage < 3) {
        next = Simd::add(Simd::mul(Simd::set1(StageWeights[u.stage]), inc), base);
    } else {
        const Vec k1v = Simd::load(bank[Slot::rk1].data() + at);
        const Vec k2v = Simd::load(bank[Slot::rk2].data() + at);
        const Vec k3v = Simd::load(bank[Slot::rk3].data() + at);
        const Vec twice = Simd::mul(Simd::add(k3v, k2v), Simd::set1(MiddleIncrementWeight));
        next = Simd::add(Simd::mul(Simd::add(Simd::add(twice, k1v), inc), Simd::set1(OneSixth)), base);
    }
    Simd::store(psi, Simd::select(mask, next, oldPsi));
}

void updateEntryScalar(FieldBank& bank, const StageUpdate& u, int at, double advection, double k2) {
    constexpr Slot Increments[4] = {Slot::rk1, Slot::rk2, Slot::rk3, Slot::rk4};
    PackedSpectrum& psi = bank[Slot::psi];
    const double inc = (advection / k2 - u.nu * k2 * psi[at]) * u.dt;
    bank[Increments[u.stage]][at] = inc;
    const double base = bank[Slot::psiBase][at];
    if (u.stage < 3) {
        psi[at] = StageWeights[u.stage] * inc + base;
    } else {
        psi[at] = ((bank[Slot::rk3][at] + bank[Slot::rk2][at]) * MiddleIncrementWeight + bank[Slot::rk1][at] + inc) * OneSixth +
                  base;
    }
}

// The column pass of the advection (rows already transformed and packed in its slot), read on
// the band only and fed straight into the stage update; the slot itself is not written.
SWIRLON_SIMD void advectionColumnPass(FieldBank& bank, const StageUpdate& u) {
    const FastTables& t = fastTables();
    const double* advection = bank[Slot::advection].data();
    const Vec scale = Simd::set1(ForwardScale);
    const int* rev = t.bitReversed.data();
    LineGroup g;
    for (int group = 0; group < BandGroups; ++group) {
        const int s0 = 1 + group * L;
        const int mirror = N - s0 - L + 1;
        forwardButterflies(g, PackedColumnsSource{advection, group}, GroupLines{g});
        const Vec maskRe = loadBits(t.bandColumnMask.data() + s0);
        const Vec maskIm = loadBits(t.bandColumnMask.data() + mirror);
        const Vec a2Re = Simd::load(t.columnA2.data() + s0);
        const Vec a2Im = Simd::load(t.columnA2.data() + mirror);
        for (int r = 0; r < N; ++r) {
            if (!isBandIndex(r)) {
                continue;
            }
            const Vec b2 = Simd::set1(t.rowB2[r]);
            const Vec re = Simd::mul(naturalAt(g.re, rev, r), scale);
            const Vec im = Simd::reverse(Simd::mul(naturalAt(g.im, rev, r), scale));
            updateEntries(bank, u, r * N + s0, re, Simd::add(a2Re, b2), maskRe);
            updateEntries(bank, u, r * N + mirror, im, Simd::add(a2Im, b2), maskIm);
        }
    }

    // Column 0 as a real column; its halfcomplex rows are the band rows less the mean.
    const FftTables& tables = fftTables(N);
    double re[N];
    double im[N];
    for (int r = 0; r < N; ++r) {
        re[r] = advection[r * PackedStride + PackedColumnZero];
        im[r] = 0.0;
    }
    fft1d(N, ForwardScale, re, im, tables.forwardSinTable.data(), tables.cosTable.data());
    for (int r = 1; r < N; ++r) {
        if (!isBandIndex(r)) {
            continue;
        }
        const double value = r <= BandLimit ? re[r] : im[N - r];
        updateEntryScalar(bank, u, r * N, value, t.rowB2[r]);
    }
}

SWIRLON_SIMD void beginStepKernel(FieldBank& bank) {
    copyBand(bank[Slot::psiBase], bank[Slot::psi]);
    derivativeColumnPass(bank);
    derivativeRowPass(bank, true, false);
}

SWIRLON_SIMD void finishStepKernel(FieldBank& bank, int reynolds, double dt) {
    const double nu = 1.0 / static_cast<double>(reynolds);
    advectionRowPassFromGrids(bank);
    advectionColumnPass(bank, StageUpdate{0, nu, dt});
    for (int stage = 1; stage < 4; ++stage) {
        derivativeColumnPass(bank);
        // Only the last stage's grid values outlive the step.
        derivativeRowPass(bank, stage == 3, true);
        advectionColumnPass(bank, StageUpdate{stage, nu, dt});
    }
}

constexpr FastKernels KernelsOfThisLevel{&forwardTransform, &inverseTransform, &beginStepKernel, &finishStepKernel};

}  // namespace
}  // namespace swirlon
