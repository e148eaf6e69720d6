// SPDX-License-Identifier: GPL-3.0-or-later
// The vector kernels of the fast step, written once for every instruction set: Kernels<V> over
// a vector type V of V::Lanes doubles (see VectorOps). A source file defines SWIRLON_SIMD (the
// target attribute of its instruction set) and its vector type, and hands out fastKernelsOn<V>.
//
// Everything here is the straightforward transform's arithmetic, operation for operation and
// in the same order, applied lane-wise to Lanes independent lines: a column group (Lanes
// neighbouring columns, contiguous in memory) or a row-pair group (Lanes row pairs, transposed
// in blocks). Each line's result is therefore the straightforward one, bit for bit.
//
// All of it lives in an anonymous namespace: every instruction set gets its own copy, and no
// function compiled for a wide instruction set can stand in for a narrower one at link time.
#pragma once

#include <bit>
#include <concepts>
#include <cstdint>

#include "solver/fast_step.h"
#include "solver/fast_tables.h"
#include "solver/fft.h"
#include "solver/grid.h"
#include "solver/operators.h"
#include "solver/step_threads.h"
#include "solver/time_step.h"

#ifndef SWIRLON_SIMD
#define SWIRLON_SIMD
#endif

namespace swirlon {
namespace {

// What the kernels need of a vector type: Vec holds Lanes doubles, the arithmetic is IEEE
// double arithmetic lane by lane, reverse turns the lane order round, transpose transposes
// Lanes vectors in place, and masks hold all bits set or all clear in each lane (bitAnd keeps
// a value's lanes, select takes a's lanes where the mask is set and b's elsewhere).
template <typename V>
concept VectorOps = requires(typename V::Vec a, typename V::Vec* block, double* p, double x) {
    requires std::same_as<decltype(V::Lanes), const int>;
    { V::load(p) } -> std::same_as<typename V::Vec>;
    V::store(p, a);
    { V::set1(x) } -> std::same_as<typename V::Vec>;
    { V::zero() } -> std::same_as<typename V::Vec>;
    { V::add(a, a) } -> std::same_as<typename V::Vec>;
    { V::sub(a, a) } -> std::same_as<typename V::Vec>;
    { V::mul(a, a) } -> std::same_as<typename V::Vec>;
    { V::div(a, a) } -> std::same_as<typename V::Vec>;
    { V::reverse(a) } -> std::same_as<typename V::Vec>;
    { V::bitAnd(a, a) } -> std::same_as<typename V::Vec>;
    { V::select(a, a, a) } -> std::same_as<typename V::Vec>;
    V::transpose(block);
};

// One double as a vector of one lane: for the lone entries the vector passes leave over.
struct OneLane {
    using Vec = double;
    static constexpr int Lanes = 1;
    static Vec load(const double* p) { return *p; }
    static void store(double* p, Vec v) { *p = v; }
    static Vec set1(double x) { return x; }
    static Vec zero() { return 0.0; }
    static Vec add(Vec a, Vec b) { return a + b; }
    static Vec sub(Vec a, Vec b) { return a - b; }
    static Vec mul(Vec a, Vec b) { return a * b; }
    static Vec div(Vec a, Vec b) { return a / b; }
    static Vec reverse(Vec v) { return v; }
    static Vec bitAnd(Vec a, Vec mask) {
        return std::bit_cast<double>(std::bit_cast<std::uint64_t>(a) & std::bit_cast<std::uint64_t>(mask));
    }
    static Vec select(Vec mask, Vec a, Vec b) { return std::bit_cast<std::uint64_t>(mask) != 0 ? a : b; }
    static void transpose(Vec*) {}
};

constexpr double HalfcomplexWeight = 0.5;
constexpr double StageWeights[3] = {0.5, 0.5, 1.0};
constexpr double MiddleIncrementWeight = 2.0;

constexpr int log2Of(int n) {
    int stages = 0;
    while (n > 1) {
        n /= 2;
        ++stages;
    }
    return stages;
}

// A derivative of psi is named by its slot; velX and gradY carry the row's ky (and so have a
// column 0), velY and gradX their column's kx; the gradients carry K^2 as well.
constexpr bool hasRowFactor(Slot derivative) { return derivative == Slot::velX || derivative == Slot::gradY; }
constexpr bool isGradient(Slot derivative) { return derivative == Slot::gradX || derivative == Slot::gradY; }

// What a row pass of the derivatives hands on: their grid values (left in their slots), the
// advection product (through its forward row transform into the advection slot), or both.
enum class RowPassOutput { grids, advection, gridsAndAdvection };

// What one stage does with the advection spectrum on each band entry.
struct StageUpdate {
    int stage;  // 0..3
    double nu;
    double dt;
};

// increment = (advection / K^2 - nu * K^2 * psi) * dt into the stage's slot; then psi becomes
// the next stage state (weight * increment + base) or, after the last stage, the combination.
// Lanes outside the mask keep what their entries held.
template <VectorOps W>
[[gnu::always_inline]] SWIRLON_SIMD inline void updateEntries(FieldBank& bank, const StageUpdate& u, int at,
                                                              typename W::Vec advection, typename W::Vec k2,
                                                              typename W::Vec mask) {
    using Vec = typename W::Vec;
    constexpr Slot Increments[4] = {Slot::rk1, Slot::rk2, Slot::rk3, Slot::rk4};
    double* psi = bank[Slot::psi].data() + at;
    double* increment = bank[Increments[u.stage]].data() + at;
    const Vec oldPsi = W::load(psi);
    const Vec viscous = W::mul(W::mul(W::set1(u.nu), k2), oldPsi);
    const Vec inc = W::mul(W::sub(W::div(advection, k2), viscous), W::set1(u.dt));
    W::store(increment, W::select(mask, inc, W::load(increment)));
    const Vec base = W::load(bank[Slot::psiBase].data() + at);
    Vec next;
    if (u.stage < 3) {
        next = W::add(W::mul(W::set1(StageWeights[u.stage]), inc), base);
    } else {
        const Vec k1v = W::load(bank[Slot::rk1].data() + at);
        const Vec k2v = W::load(bank[Slot::rk2].data() + at);
        const Vec k3v = W::load(bank[Slot::rk3].data() + at);
        const Vec twice = W::mul(W::add(k3v, k2v), W::set1(MiddleIncrementWeight));
        next = W::add(W::mul(W::add(W::add(twice, k1v), inc), W::set1(OneSixth)), base);
    }
    W::store(psi, W::select(mask, next, oldPsi));
}

template <VectorOps V, int N>
struct Kernels {
    using Vec = typename V::Vec;
    static constexpr int L = V::Lanes;
    static constexpr int H = N / 2;
    static constexpr Grid G{N};
    static constexpr int BandLimit = G.bandLimit();
    // The forward transform's per-pass normalisation, computed as the straightforward one does.
    static constexpr double ForwardScale = 1.0 / N;
    // The butterfly passes: two stages at first, two at a time after that, and the last two or
    // three together (three when log2 N is odd), so every stage is covered exactly once.
    static constexpr bool OddStageCount = log2Of(N) % 2 == 1;
    static_assert(log2Of(N) >= 5, "the butterfly passes need at least 32 points per line");

    // Column groups that cover the band's complex columns 1..BandLimit; lanes past the band see
    // zero input and are masked.
    static constexpr int BandGroups = (BandLimit + L - 1) / L;
    static constexpr int FirstZeroColumn = 1 + BandGroups * L;
    static constexpr int RowPairGroups = H / L;
    static_assert(H % L == 0, "row pairs must fill whole groups");

    // Lanes lines of n complex values: line element k of lane l at [k * L + l].
    struct alignas(64) LineGroup {
        double re[N * L];
        double im[N * L];
    };

    SWIRLON_SIMD static Vec lineAt(const double* lines, int k) { return V::load(lines + k * L); }
    SWIRLON_SIMD static void setLine(double* lines, int k, Vec v) { V::store(lines + k * L, v); }
    // Natural index k of a line left in bit-reversed order by the butterflies (rev: the table).
    SWIRLON_SIMD static Vec naturalAt(const double* lines, const int* rev, int k) { return lineAt(lines, rev[k]); }
    SWIRLON_SIMD static Vec loadBits(const std::uint64_t* bits) {
        return V::load(reinterpret_cast<const double*>(bits));
    }

    // The scale of a transform's results: 1/N per forward pass; none for the inverse one, since
    // x * 1.0 is x for every value arithmetic produces.
    template <Direction D>
    SWIRLON_SIMD static Vec scaled(Vec v) {
        if constexpr (D == Direction::forward) {
            return V::mul(v, V::set1(ForwardScale));
        } else {
            return v;
        }
    }

    // One butterfly of fft1d on values held in registers: x + y, and (x - y) times the twiddle.
    SWIRLON_SIMD static void butterfly(Vec& xr, Vec& xi, Vec& yr, Vec& yi, Vec wc, Vec ws) {
        const Vec dr = V::sub(xr, yr);
        const Vec di = V::sub(xi, yi);
        xr = V::add(xr, yr);
        xi = V::add(xi, yi);
        yr = V::sub(V::mul(dr, wc), V::mul(di, ws));
        yi = V::add(V::mul(dr, ws), V::mul(di, wc));
    }

    // Where the butterflies take their input lines and leave their results: the group itself,
    // or (for a pass that loads or forms its input as it goes, or stores its results at once) a
    // source or sink with the same member. Results reach the sink at bit-reversed positions.
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
    SWIRLON_SIMD static void twoStages(LineGroup& g, const double* sinTable, const double* cosTable, int half,
                                       int stride, const Source& source) {
        const int quarter = half / 2;
        for (int i = 0; i < quarter; ++i) {
            const Vec wc0 = V::set1(cosTable[i * stride]);
            const Vec ws0 = V::set1(sinTable[i * stride]);
            const Vec wc1 = V::set1(cosTable[(i + quarter) * stride]);
            const Vec ws1 = V::set1(sinTable[(i + quarter) * stride]);
            const Vec wcNext = V::set1(cosTable[i * 2 * stride]);
            const Vec wsNext = V::set1(sinTable[i * 2 * stride]);
            for (int block = 0; block < N; block += 2 * half) {
                const int j[4] = {block + i, block + i + quarter, block + i + half, block + i + quarter + half};
                Vec r[4];
                Vec m[4];
                for (int q = 0; q < 4; ++q) {
                    source.read(j[q], r[q], m[q]);
                }
                butterfly(r[0], m[0], r[2], m[2], wc0, ws0);
                butterfly(r[1], m[1], r[3], m[3], wc1, ws1);
                butterfly(r[0], m[0], r[1], m[1], wcNext, wsNext);
                butterfly(r[2], m[2], r[3], m[3], wcNext, wsNext);
                for (int q = 0; q < 4; ++q) {
                    setLine(g.re, j[q], r[q]);
                    setLine(g.im, j[q], m[q]);
                }
            }
        }
    }

    // The last three stages of fft1d (half = 4, 2, 1) on each block of eight neighbouring lines,
    // held in registers, then handed to the sink.
    template <typename Sink>
    SWIRLON_SIMD static void lastThreeStages(LineGroup& g, const double* sinTable, const double* cosTable, int stride,
                                             const Sink& sink) {
        constexpr int Block = 8;
        constexpr int Quarter = Block / 4;
        constexpr int Half = Block / 2;
        Vec wc4[Half];
        Vec ws4[Half];
        for (int i = 0; i < Half; ++i) {
            wc4[i] = V::set1(cosTable[i * stride]);
            ws4[i] = V::set1(sinTable[i * stride]);
        }
        Vec wc2[Quarter];
        Vec ws2[Quarter];
        for (int i = 0; i < Quarter; ++i) {
            wc2[i] = V::set1(cosTable[i * 2 * stride]);
            ws2[i] = V::set1(sinTable[i * 2 * stride]);
        }
        const Vec wc1 = V::set1(cosTable[0]);
        const Vec ws1 = V::set1(sinTable[0]);
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

    // The last two stages of fft1d (half = 2, 1) on each block of four neighbouring lines, held
    // in registers, then handed to the sink: the close of the passes when log2 N is even. Written
    // out like lastThreeStages rather than shared with it through a loop over the stages: with
    // such a loop the compiler no longer kept the block in registers, and a step took 1.35 times
    // as long.
    template <typename Sink>
    SWIRLON_SIMD static void lastTwoStages(LineGroup& g, const double* sinTable, const double* cosTable, int stride,
                                           const Sink& sink) {
        constexpr int Block = 4;
        constexpr int Half = Block / 2;
        Vec wc2[Half];
        Vec ws2[Half];
        for (int i = 0; i < Half; ++i) {
            wc2[i] = V::set1(cosTable[i * stride]);
            ws2[i] = V::set1(sinTable[i * stride]);
        }
        const Vec wc1 = V::set1(cosTable[0]);
        const Vec ws1 = V::set1(sinTable[0]);
        for (int block = 0; block < N; block += Block) {
            Vec r[Block];
            Vec m[Block];
            for (int j = 0; j < Block; ++j) {
                r[j] = lineAt(g.re, block + j);
                m[j] = lineAt(g.im, block + j);
            }
            for (int i = 0; i < Half; ++i) {
                butterfly(r[i], m[i], r[i + Half], m[i + Half], wc2[i], ws2[i]);
            }
            for (int j = 0; j < Block; j += 2) {
                butterfly(r[j], m[j], r[j + 1], m[j + 1], wc1, ws1);
            }
            for (int j = 0; j < Block; ++j) {
                sink.write(block + j, r[j], m[j]);
            }
        }
    }

    // The butterflies of fft1d in direction D on Lanes lines at once, read from the source and
    // handed to the sink (by default: left in g) in bit-reversed order; the caller applies the
    // scale. Several stages at a time while the values stay in registers: each value meets the
    // same butterflies in the same order as stage by stage, since the butterflies of one stage
    // touch disjoint positions. A sink that stores at natural positions should not do so at a
    // power-of-two stride: bit reversal would send each block's results into the same few
    // cache sets.
    template <Direction D, typename Source, typename Sink>
    SWIRLON_SIMD static void butterflies(LineGroup& g, const Source& source, const Sink& sink) {
        // The half of the first stage the closing pass covers: 4 for three stages, 2 for two.
        constexpr int LastPassHalf = OddStageCount ? 4 : 2;
        constexpr int StagesPerPass = 4;
        const FftTables& t = fftTables(N);
        const double* sinTable = D == Direction::forward ? t.forwardSinTable.data() : t.inverseSinTable.data();
        const double* cosTable = t.cosTable.data();
        twoStages(g, sinTable, cosTable, N / 2, 1, source);
        int half = N / 2 / StagesPerPass;
        int stride = StagesPerPass;
        for (; half > LastPassHalf; half /= StagesPerPass, stride *= StagesPerPass) {
            twoStages(g, sinTable, cosTable, half, stride, GroupLines{g});
        }
        if constexpr (OddStageCount) {
            lastThreeStages(g, sinTable, cosTable, stride, sink);
        } else {
            lastTwoStages(g, sinTable, cosTable, stride, sink);
        }
    }

    template <Direction D>
    SWIRLON_SIMD static void butterflies(LineGroup& g) {
        butterflies<D>(g, GroupLines{g}, GroupLines{g});
    }

    // ---- Column groups: lane l is column s0 + l (real parts) with column N - s0 - l (imaginary).

    // Where the imaginary lanes of the group s0 begin in a row: they run backwards from there.
    static constexpr int mirrorOf(int s0) { return N - s0 - L + 1; }

    SWIRLON_SIMD static void loadComplexColumns(const double* a, int s0, LineGroup& g) {
        for (int r = 0; r < N; ++r) {
            setLine(g.re, r, V::load(a + r * N + s0));
            setLine(g.im, r, V::reverse(V::load(a + r * N + mirrorOf(s0))));
        }
    }

    // The group's transformed lines back to its columns, rows in natural order, scaled as
    // direction D scales; only the lanes set in the mask are stored, the others keep what a holds.
    template <Direction D>
    SWIRLON_SIMD static void storeComplexColumns(double* a, int s0, const LineGroup& g, Vec mask) {
        const int* rev = fastTables<N>().bitReversed.data();
        const Vec reversedMask = V::reverse(mask);
        for (int r = 0; r < N; ++r) {
            double* re = a + r * N + s0;
            double* im = a + r * N + mirrorOf(s0);
            V::store(re, V::select(mask, scaled<D>(naturalAt(g.re, rev, r)), V::load(re)));
            V::store(im, V::select(reversedMask, V::reverse(scaled<D>(naturalAt(g.im, rev, r))), V::load(im)));
        }
    }

    // The complex columns 1..H-1 in groups; the last group's lanes past them are left alone.
    template <Direction D>
    SWIRLON_SIMD static void complexColumnPass(double* a, LineGroup& g) {
        const FastTables<N>& t = fastTables<N>();
        for (int s0 = 1; s0 < H; s0 += L) {
            loadComplexColumns(a, s0, g);
            butterflies<D>(g);
            storeComplexColumns<D>(a, s0, g, loadBits(t.complexColumnMask.data() + s0));
        }
    }

    // ---- Row-pair groups: lane l is the row pair 2(p0 + l), 2(p0 + l) + 1.

    // The block at position kb of the Lanes rows of one parity (rows stride apart), transposed.
    SWIRLON_SIMD static void loadRowBlock(const double* a, int stride, int p0, int parity, int kb, Vec* block) {
        for (int l = 0; l < L; ++l) {
            block[l] = V::load(a + (2 * (p0 + l) + parity) * stride + kb);
        }
        V::transpose(block);
    }

    SWIRLON_SIMD static void storeRowBlock(double* a, int stride, int p0, int parity, int kb, Vec* block) {
        V::transpose(block);
        for (int l = 0; l < L; ++l) {
            V::store(a + (2 * (p0 + l) + parity) * stride + kb, block[l]);
        }
    }

    // Even rows into g.re, odd rows into g.im, element k of each row at line index k.
    SWIRLON_SIMD static void loadRowPairs(const double* a, int p0, LineGroup& g) {
        Vec block[L];
        for (int parity = 0; parity < 2; ++parity) {
            double* lines = parity == 0 ? g.re : g.im;
            for (int kb = 0; kb < N; kb += L) {
                loadRowBlock(a, N, p0, parity, kb, block);
                for (int i = 0; i < L; ++i) {
                    setLine(lines, kb + i, block[i]);
                }
            }
        }
    }

    // g.re back to the even rows and g.im to the odd rows, the lines as a row transform of
    // direction D leaves them: separated into natural order (forward) or bit-reversed (inverse).
    template <Direction D>
    SWIRLON_SIMD static void storeRowPairs(double* a, int p0, const LineGroup& g) {
        const int* rev = fastTables<N>().bitReversed.data();
        Vec block[L];
        for (int parity = 0; parity < 2; ++parity) {
            const double* lines = parity == 0 ? g.re : g.im;
            for (int kb = 0; kb < N; kb += L) {
                for (int i = 0; i < L; ++i) {
                    block[i] = D == Direction::inverse ? naturalAt(lines, rev, kb + i) : lineAt(lines, kb + i);
                }
                storeRowBlock(a, N, p0, parity, kb, block);
            }
        }
    }

    // Entries k and N - k of the spectrum of P + i*Q from those of the halfcomplex rows P and Q.
    SWIRLON_SIMD static void setPairSpectrum(LineGroup& g, int k, Vec pk, Vec pnk, Vec qk, Vec qnk) {
        setLine(g.re, k, V::sub(pk, qnk));
        setLine(g.re, N - k, V::add(pk, qnk));
        setLine(g.im, k, V::add(pnk, qk));
        setLine(g.im, N - k, V::sub(qk, pnk));
    }

    // Halfcomplex row pair P (g.re), Q (g.im) to the spectrum of P + i*Q, in place.
    SWIRLON_SIMD static void rowPairSpectrum(LineGroup& g) {
        for (int k = 1; k < H; ++k) {
            setPairSpectrum(g, k, lineAt(g.re, k), lineAt(g.re, N - k), lineAt(g.im, k), lineAt(g.im, N - k));
        }
    }

    // The forward row transform's output (bit-reversed, unscaled) in x, separated into two
    // halfcomplex rows: even into out.re, odd into out.im, natural order.
    SWIRLON_SIMD static void separateRowPairs(const LineGroup& x, LineGroup& out) {
        constexpr Direction D = Direction::forward;
        const Vec half = V::set1(HalfcomplexWeight);
        const int* rev = fastTables<N>().bitReversed.data();
        setLine(out.re, 0, scaled<D>(naturalAt(x.re, rev, 0)));
        setLine(out.re, H, scaled<D>(naturalAt(x.re, rev, H)));
        setLine(out.im, 0, scaled<D>(naturalAt(x.im, rev, 0)));
        setLine(out.im, H, scaled<D>(naturalAt(x.im, rev, H)));
        for (int k = 1; k < H; ++k) {
            const Vec rk = scaled<D>(naturalAt(x.re, rev, k));
            const Vec rnk = scaled<D>(naturalAt(x.re, rev, N - k));
            const Vec ik = scaled<D>(naturalAt(x.im, rev, k));
            const Vec ink = scaled<D>(naturalAt(x.im, rev, N - k));
            setLine(out.re, k, V::mul(V::add(rnk, rk), half));
            setLine(out.re, N - k, V::mul(V::sub(ik, ink), half));
            setLine(out.im, k, V::mul(V::add(ink, ik), half));
            setLine(out.im, N - k, V::mul(V::sub(rnk, rk), half));
        }
    }

    // ---- The public transforms.

    SWIRLON_SIMD static void forwardTransform(double* a) {
        LineGroup x;
        LineGroup out;
        for (int group = 0; group < RowPairGroups; ++group) {
            const int p0 = group * L;
            loadRowPairs(a, p0, x);
            butterflies<Direction::forward>(x);
            separateRowPairs(x, out);
            storeRowPairs<Direction::forward>(a, p0, out);
        }
        complexColumnPass<Direction::forward>(a, x);
        forwardRealColumn(N, a, N);
        forwardRealColumn(N, a + H, N);
    }

    SWIRLON_SIMD static void inverseTransform(double* a) {
        LineGroup g;
        complexColumnPass<Direction::inverse>(a, g);
        inverseRealColumn(N, a, N);
        inverseRealColumn(N, a + H, N);
        for (int group = 0; group < RowPairGroups; ++group) {
            const int p0 = group * L;
            loadRowPairs(a, p0, g);
            rowPairSpectrum(g);
            butterflies<Direction::inverse>(g);
            storeRowPairs<Direction::inverse>(a, p0, g);
        }
    }

    // ---- The packed row layout between a column pass and a row pass inside the step. Each row
    // holds the band column groups' values as the vectors hold them (group g's real lanes at
    // 2gL, its imaginary lanes at 2gL + L), then column 0. Stores and loads stay whole vectors
    // at a fixed offset, with no lane reversal, and the zero columns (the rest) are neither
    // stored nor loaded: their values are known, and a row pass fills them in itself. Packed
    // rows follow each other at a stride of their own, shorter than a grid row: at a grid row's
    // power-of-two stride every row of a column falls into the same few cache sets, at this one
    // they spread over the cache.

    static constexpr int PackedColumnZero = 2 * BandGroups * L;
    static constexpr int PackedStride = PackedColumnZero + L;
    static_assert(PackedStride < N, "packed rows must stay ahead of the grid rows written over them");

    static constexpr int packedRe(int group) { return 2 * group * L; }
    static constexpr int packedIm(int group) { return 2 * group * L + L; }

    // A column group's results stored packed, each at its natural row.
    struct PackedColumnsSink {
        double* a;
        int group;
        const int* rev;
        SWIRLON_SIMD void write(int k, Vec re, Vec im) const {
            double* row = a + rev[k] * PackedStride;
            V::store(row + packedRe(group), re);
            V::store(row + packedIm(group), im);
        }
    };

    // A column group read from the packed layout: the source of its butterflies.
    struct PackedColumnsSource {
        const double* a;
        int group;
        SWIRLON_SIMD void read(int r, Vec& re, Vec& im) const {
            re = V::load(a + r * PackedStride + packedRe(group));
            im = V::load(a + r * PackedStride + packedIm(group));
        }
    };

    // Packed rows to row-pair lines as loadRowPairs and then rowPairSpectrum leave them: each
    // column group's four blocks (real and imaginary lanes of either parity) meet in registers.
    // The zero columns come from the tables.
    SWIRLON_SIMD static void loadPackedRowPairSpectrum(const double* a, int p0, LineGroup& g) {
        const FastTables<N>& t = fastTables<N>();
        Vec p[L];
        Vec pn[L];
        Vec q[L];
        Vec qn[L];
        for (int group = 0; group < BandGroups; ++group) {
            const int s0 = 1 + group * L;
            loadRowBlock(a, PackedStride, p0, 0, packedRe(group), p);
            loadRowBlock(a, PackedStride, p0, 0, packedIm(group), pn);
            loadRowBlock(a, PackedStride, p0, 1, packedRe(group), q);
            loadRowBlock(a, PackedStride, p0, 1, packedIm(group), qn);
            for (int i = 0; i < L; ++i) {
                setPairSpectrum(g, s0 + i, p[i], pn[i], q[i], qn[i]);
            }
        }
        loadRowBlock(a, PackedStride, p0, 0, PackedColumnZero, p);
        loadRowBlock(a, PackedStride, p0, 1, PackedColumnZero, q);
        setLine(g.re, 0, p[0]);
        setLine(g.im, 0, q[0]);
        const Vec evenRe = V::load(t.zeroComplexColumnReByParity[0].data() + p0);
        const Vec evenIm = V::load(t.zeroComplexColumnImByParity[0].data() + p0);
        const Vec oddRe = V::load(t.zeroComplexColumnReByParity[1].data() + p0);
        const Vec oddIm = V::load(t.zeroComplexColumnImByParity[1].data() + p0);
        for (int c = FirstZeroColumn; c < H; ++c) {
            setPairSpectrum(g, c, evenRe, evenIm, oddRe, oddIm);
        }
        setLine(g.re, H, V::load(t.zeroRealColumnByParity[0].data() + p0));
        setLine(g.im, H, V::load(t.zeroRealColumnByParity[1].data() + p0));
    }

    // Row-pair lines (natural order) to packed rows; the lanes after column 0 repeat it.
    SWIRLON_SIMD static void storePackedRowPairs(double* a, int p0, const LineGroup& g) {
        Vec block[L];
        for (int parity = 0; parity < 2; ++parity) {
            const double* lines = parity == 0 ? g.re : g.im;
            for (int group = 0; group < BandGroups; ++group) {
                const int s0 = 1 + group * L;
                for (int i = 0; i < L; ++i) {
                    block[i] = lineAt(lines, s0 + i);
                }
                storeRowBlock(a, PackedStride, p0, parity, packedRe(group), block);
                for (int i = 0; i < L; ++i) {
                    block[i] = lineAt(lines, N - s0 - i);
                }
                storeRowBlock(a, PackedStride, p0, parity, packedIm(group), block);
            }
            for (int i = 0; i < L; ++i) {
                block[i] = lineAt(lines, 0);
            }
            storeRowBlock(a, PackedStride, p0, parity, PackedColumnZero, block);
        }
    }

    // ---- The step.

    // Derivative D's spectrum on the column group s0, formed row by row from psi as
    // computeDerivatives forms it (the same integer factors as doubles, times the partner
    // entry), zeros off the band: the source of the group's butterflies.
    template <Slot D>
    struct DerivativeColumns {
        const FastTables<N>& t;
        const double* psi;
        int s0;
        int mirror;
        Vec mask;
        Vec a2;
        // The column factor of velY or gradX; the imaginary lanes run backwards through memory,
        // so theirs is reversed once here.
        Vec columnRe;
        Vec columnIm;

        SWIRLON_SIMD DerivativeColumns(const double* psiIn, int first)
            : t(fastTables<N>()),
              psi(psiIn),
              s0(first),
              mirror(mirrorOf(first)),
              mask(loadBits(t.bandColumnMask.data() + first)),
              a2(V::load(t.columnA2.data() + first)),
              columnRe(V::load(columnFactor() + first)),
              columnIm(V::reverse(V::load(columnFactor() + mirror))) {}

        const double* columnFactor() const { return D == Slot::velY ? t.velYFactor.data() : t.gradXFactor.data(); }

        SWIRLON_SIMD void read(int r, Vec& re, Vec& im) const {
            if (!G.isBandIndex(r)) {
                re = V::zero();
                im = V::zero();
                return;
            }
            Vec factorOfRe = columnRe;
            Vec factorOfIm = columnIm;
            if constexpr (hasRowFactor(D)) {
                factorOfRe = V::set1(t.kyRealColumns[r]);
                factorOfIm = V::set1(t.kyImaginaryColumns[r]);
            }
            if constexpr (isGradient(D)) {
                const Vec k2 = V::add(a2, V::set1(t.rowB2[r]));
                factorOfRe = V::mul(factorOfRe, k2);
                factorOfIm = V::mul(factorOfIm, k2);
            }
            // Real-part lanes take their partner from the imaginary columns and vice versa.
            const Vec partnerOfRe = V::reverse(V::load(psi + r * N + mirror));
            const Vec partnerOfIm = V::load(psi + r * N + s0);
            re = V::bitAnd(V::mul(factorOfRe, partnerOfRe), mask);
            im = V::bitAnd(V::mul(factorOfIm, partnerOfIm), mask);
        }
    };

    // Where the packed rows between a column pass and a row pass live: on one thread inside
    // the fields they become (the rows a pass writes only ever cover rows it has already read),
    // on several threads in storage of their own, since one part's rows would cover another's.
    struct Workspace {
        FieldBank& bank;
        ParallelStep* parallel;
        double* packedDerivative[4];
        double* packedAdvection;

        Workspace(FieldBank& fields, ParallelStep* shared)
            : bank(fields),
              parallel(shared != nullptr && shared->threads().count() > 1 ? shared : nullptr),
              packedDerivative{packedOf(0, Slot::velX), packedOf(1, Slot::velY), packedOf(2, Slot::gradX),
                               packedOf(3, Slot::gradY)},
              packedAdvection(packedOf(4, Slot::advection)) {}

        double* packedOf(int field, Slot slot) const {
            return parallel != nullptr ? parallel->packed(field) : bank[slot].data();
        }

        // Calls work(first, last) on the parts of 0..count - 1, each part on its own thread.
        template <typename Work>
        void forParts(int count, Work&& work) const {
            if (parallel == nullptr) {
                work(0, count);
                return;
            }
            const int parts = parallel->threads().count();
            parallel->threads().run([&](int part) { work(count * part / parts, count * (part + 1) / parts); });
        }
    };

    static constexpr int derivativeIndex(Slot derivative) {
        return derivative == Slot::velX ? 0 : derivative == Slot::velY ? 1 : derivative == Slot::gradX ? 2 : 3;
    }

    // The column pass of derivative D on the band column groups first..last - 1, written packed.
    // Column 0 (with the first part) is formed into the packed column 0 as computeDerivatives
    // forms it, then transformed there as a real column.
    template <Slot D>
    SWIRLON_SIMD static void derivativeColumns(const Workspace& w, LineGroup& g, int first, int last) {
        const FastTables<N>& t = fastTables<N>();
        const double* psi = w.bank[Slot::psi].data();
        double* a = w.packedDerivative[derivativeIndex(D)];
        for (int group = first; group < last; ++group) {
            butterflies<Direction::inverse>(g, DerivativeColumns<D>(psi, 1 + group * L),
                                            PackedColumnsSink{a, group, t.bitReversed.data()});
        }
        if (first != 0) {
            return;
        }
        double* column = a + PackedColumnZero;
        if constexpr (hasRowFactor(D)) {
            const double* factor = D == Slot::velX ? t.columnZeroVelX.data() : t.columnZeroGradY.data();
            for (int r = 0; r < N; ++r) {
                column[r * PackedStride] = (r != 0 && G.isBandIndex(r)) ? factor[r] * psi[(N - r) * N] : 0.0;
            }
            inverseRealColumn(N, column, PackedStride);
        } else {
            for (int r = 0; r < N; ++r) {
                column[r * PackedStride] = t.zeroRealColumn[r];
            }
        }
    }

    // The column pass of the four derivative spectra of psi.
    SWIRLON_SIMD static void derivativeColumnPass(const Workspace& w) {
        w.forParts(BandGroups, [&](int first, int last) {
            LineGroup g;
            derivativeColumns<Slot::velX>(w, g, first, last);
            derivativeColumns<Slot::velY>(w, g, first, last);
            derivativeColumns<Slot::gradX>(w, g, first, last);
            derivativeColumns<Slot::gradY>(w, g, first, last);
        });
    }

    // The row transform of one derivative's packed row-pair group, left bit-reversed in g.
    SWIRLON_SIMD static void inverseRowGroup(const double* packed, int p0, LineGroup& g) {
        loadPackedRowPairSpectrum(packed, p0, g);
        butterflies<Direction::inverse>(g);
    }

    // The forward row transform of the advection row pairs in x (natural order), separated and
    // stored packed (band columns only); x is used as work space.
    SWIRLON_SIMD static void advectionRowGroup(const Workspace& w, int p0, LineGroup& x, LineGroup& out) {
        butterflies<Direction::forward>(x);
        separateRowPairs(x, out);
        storePackedRowPairs(w.packedAdvection, p0, out);
    }

    // The row pass of the four derivatives, handing on what Out names.
    template <RowPassOutput Out>
    SWIRLON_SIMD static void derivativeRowPass(const Workspace& w) {
        w.forParts(RowPairGroups, [&](int first, int last) { derivativeRowGroups<Out>(w, first, last); });
    }

    template <RowPassOutput Out>
    SWIRLON_SIMD static void derivativeRowGroups(const Workspace& w, int first, int last) {
        constexpr bool writeGrids = Out != RowPassOutput::advection;
        constexpr bool advect = Out != RowPassOutput::grids;
        double* velX = w.bank[Slot::velX].data();
        double* velY = w.bank[Slot::velY].data();
        double* gradX = w.bank[Slot::gradX].data();
        double* gradY = w.bank[Slot::gradY].data();
        const int* rev = fastTables<N>().bitReversed.data();
        LineGroup bx;
        LineGroup by;
        LineGroup bg;
        // Last group first: on one thread a group's grid rows then only cover packed rows
        // already read.
        for (int group = last - 1; group >= first; --group) {
            const int p0 = group * L;
            inverseRowGroup(w.packedDerivative[0], p0, bx);
            inverseRowGroup(w.packedDerivative[1], p0, by);
            if constexpr (writeGrids) {
                storeRowPairs<Direction::inverse>(velX, p0, bx);
                storeRowPairs<Direction::inverse>(velY, p0, by);
            }
            inverseRowGroup(w.packedDerivative[2], p0, bg);
            if constexpr (writeGrids) {
                storeRowPairs<Direction::inverse>(gradX, p0, bg);
            }
            if constexpr (advect) {
                // gradX * velX, kept in bx (positions are the same bit-reversed ones in both).
                for (int k = 0; k < N; ++k) {
                    setLine(bx.re, k, V::mul(lineAt(bg.re, k), lineAt(bx.re, k)));
                    setLine(bx.im, k, V::mul(lineAt(bg.im, k), lineAt(bx.im, k)));
                }
            }
            inverseRowGroup(w.packedDerivative[3], p0, bg);
            if constexpr (writeGrids) {
                storeRowPairs<Direction::inverse>(gradY, p0, bg);
            }
            if constexpr (!advect) {
                continue;
            }
            // gradY * velY + gradX * velX, put into natural order in by, pair of positions by pair.
            for (int x = 0; x < N; ++x) {
                const int rx = rev[x];
                if (rx < x) {
                    continue;
                }
                const Vec atXRe = V::add(V::mul(lineAt(bg.re, rx), lineAt(by.re, rx)), lineAt(bx.re, rx));
                const Vec atXIm = V::add(V::mul(lineAt(bg.im, rx), lineAt(by.im, rx)), lineAt(bx.im, rx));
                const Vec atRxRe = V::add(V::mul(lineAt(bg.re, x), lineAt(by.re, x)), lineAt(bx.re, x));
                const Vec atRxIm = V::add(V::mul(lineAt(bg.im, x), lineAt(by.im, x)), lineAt(bx.im, x));
                setLine(by.re, x, atXRe);
                setLine(by.im, x, atXIm);
                setLine(by.re, rx, atRxRe);
                setLine(by.im, rx, atRxIm);
            }
            advectionRowGroup(w, p0, by, bx);
        }
    }

    // The advection product of the grid values in the bank, through its forward row transform.
    // Each part forms the product on its own rows, then transforms them.
    SWIRLON_SIMD static void advectionRowPassFromGrids(const Workspace& w) {
        w.forParts(RowPairGroups, [&](int first, int last) {
            formAdvectionRows(w.bank, first * 2 * L, last * 2 * L);
            const double* advection = w.bank[Slot::advection].data();
            LineGroup x;
            LineGroup out;
            for (int group = first; group < last; ++group) {
                const int p0 = group * L;
                loadRowPairs(advection, p0, x);
                advectionRowGroup(w, p0, x, out);
            }
        });
    }

    // The column pass of the advection (rows already transformed and packed), read on the band
    // only and fed straight into the stage update; column 0 goes with the last part.
    SWIRLON_SIMD static void advectionColumnPass(const Workspace& w, const StageUpdate& u) {
        w.forParts(BandGroups, [&](int first, int last) {
            advectionColumns(w, u, first, last);
            if (last == BandGroups) {
                advectionColumnZero(w, u);
            }
        });
    }

    SWIRLON_SIMD static void advectionColumns(const Workspace& w, const StageUpdate& u, int first, int last) {
        constexpr Direction D = Direction::forward;
        const FastTables<N>& t = fastTables<N>();
        const int* rev = t.bitReversed.data();
        LineGroup g;
        for (int group = first; group < last; ++group) {
            const int s0 = 1 + group * L;
            const int mirror = mirrorOf(s0);
            butterflies<D>(g, PackedColumnsSource{w.packedAdvection, group}, GroupLines{g});
            const Vec maskRe = loadBits(t.bandColumnMask.data() + s0);
            const Vec maskIm = loadBits(t.bandColumnMask.data() + mirror);
            const Vec a2Re = V::load(t.columnA2.data() + s0);
            const Vec a2Im = V::load(t.columnA2.data() + mirror);
            for (int r = 0; r < N; ++r) {
                if (!G.isBandIndex(r)) {
                    continue;
                }
                const Vec b2 = V::set1(t.rowB2[r]);
                const Vec re = scaled<D>(naturalAt(g.re, rev, r));
                const Vec im = V::reverse(scaled<D>(naturalAt(g.im, rev, r)));
                updateEntries<V>(w.bank, u, r * N + s0, re, V::add(a2Re, b2), maskRe);
                updateEntries<V>(w.bank, u, r * N + mirror, im, V::add(a2Im, b2), maskIm);
            }
        }
    }

    // Column 0 as a real column, transformed in place; its halfcomplex rows are the band rows
    // less the mean.
    SWIRLON_SIMD static void advectionColumnZero(const Workspace& w, const StageUpdate& u) {
        const FastTables<N>& t = fastTables<N>();
        double* column = w.packedAdvection + PackedColumnZero;
        forwardRealColumn(N, column, PackedStride);
        const double inBand = std::bit_cast<double>(t.bandColumnMask[0]);
        for (int r = 1; r < N; ++r) {
            if (G.isBandIndex(r)) {
                updateEntries<OneLane>(w.bank, u, r * N, column[r * PackedStride], t.rowB2[r], inBand);
            }
        }
    }

    SWIRLON_SIMD static void beginStep(FieldBank& bank, ParallelStep* parallel) {
        const Workspace w(bank, parallel);
        copyBand(bank[Slot::psiBase], bank[Slot::psi]);
        derivativeColumnPass(w);
        derivativeRowPass<RowPassOutput::grids>(w);
    }

    SWIRLON_SIMD static void finishStep(FieldBank& bank, int reynolds, double dt, ParallelStep* parallel) {
        const Workspace w(bank, parallel);
        const double nu = viscosityOf(reynolds);
        advectionRowPassFromGrids(w);
        advectionColumnPass(w, StageUpdate{0, nu, dt});
        for (int stage = 1; stage < 4; ++stage) {
            derivativeColumnPass(w);
            // Only the last stage's grid values outlive the step.
            if (stage < 3) {
                derivativeRowPass<RowPassOutput::advection>(w);
            } else {
                derivativeRowPass<RowPassOutput::gridsAndAdvection>(w);
            }
            advectionColumnPass(w, StageUpdate{stage, nu, dt});
        }
    }
};

template <VectorOps V, int N>
constexpr FastKernels kernelsOf{&Kernels<V, N>::forwardTransform, &Kernels<V, N>::inverseTransform,
                                &Kernels<V, N>::beginStep, &Kernels<V, N>::finishStep};

// The kernels of every supported size, in the order of SupportedGridSizes.
template <VectorOps V>
constexpr FastKernelSet fastKernelsOn{kernelsOf<V, SupportedGridSizes[0]>, kernelsOf<V, SupportedGridSizes[1]>,
                                      kernelsOf<V, SupportedGridSizes[2]>, kernelsOf<V, SupportedGridSizes[3]>};

}  // namespace
}  // namespace swirlon
