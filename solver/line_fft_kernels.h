// SPDX-License-Identifier: GPL-3.0-or-later
// The multi-line real 2-D FFT of the fast step, written once for every instruction set:
// LineFft<V, N> over a vector type V of V::Lanes doubles (solver/vector_ops.h) and the grid size N.
//
// Everything here is the straightforward transform's arithmetic, operation for operation and
// in the same order, applied lane-wise to Lanes independent lines: a column group (Lanes
// neighbouring columns, contiguous in memory) or a row-pair group (Lanes row pairs, transposed
// in blocks). Each line's result is therefore the straightforward one, bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>

#include "solver/fast_tables.h"
#include "solver/fft.h"
#include "solver/grid.h"
#include "solver/vector_ops.h"

namespace swirlon {
namespace {

constexpr double HalfcomplexWeight = 0.5;

constexpr int log2Of(int n) {
    int stages = 0;
    while (n > 1) {
        n /= 2;
        ++stages;
    }
    return stages;
}

template <VectorOps V, int N>
struct LineFft {
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

    // Positions of a line group that go through the stages after the first two together: all of
    // them, or a quarter at a time once a group outgrows the 48 KiB level-1 cache, so that the
    // later passes work on a quarter that stays in it. Measured, the quarters take 0.8 of the
    // step's time with 64 KiB groups (8 lanes at 512 points); on groups that fit they gain
    // nothing measurable (32 KiB) or cost up to 1.1 (16 KiB and less).
    static constexpr std::size_t LevelOneCacheBytes = 48 * 1024;
    static constexpr int RemainingStagesSpan = sizeof(LineGroup) > LevelOneCacheBytes ? N / 4 : N;

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

    // Stages half and half / 2 of fft1d in one pass on the positions first..last - 1 (whole
    // blocks of 2 * half), the values held in registers.
    template <typename Source>
    SWIRLON_SIMD static void twoStages(LineGroup& g, const double* sinTable, const double* cosTable, int half,
                                       int stride, const Source& source, int first, int last) {
        const int quarter = half / 2;
        for (int i = 0; i < quarter; ++i) {
            const Vec wc0 = V::set1(cosTable[i * stride]);
            const Vec ws0 = V::set1(sinTable[i * stride]);
            const Vec wc1 = V::set1(cosTable[(i + quarter) * stride]);
            const Vec ws1 = V::set1(sinTable[(i + quarter) * stride]);
            const Vec wcNext = V::set1(cosTable[i * 2 * stride]);
            const Vec wsNext = V::set1(sinTable[i * 2 * stride]);
            for (int block = first; block < last; block += 2 * half) {
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

    // The last three stages of fft1d (half = 4, 2, 1) on each block of eight neighbouring lines
    // in first..last - 1, held in registers, then handed to the sink.
    template <typename Sink>
    SWIRLON_SIMD static void lastThreeStages(LineGroup& g, const double* sinTable, const double* cosTable, int stride,
                                             const Sink& sink, int first, int last) {
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
        for (int block = first; block < last; block += Block) {
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

    // The last two stages of fft1d (half = 2, 1) on each block of four neighbouring lines in
    // first..last - 1, held in registers, then handed to the sink: the close of the passes when
    // log2 N is even. Written out like lastThreeStages rather than shared with it through a loop
    // over the stages: with such a loop the compiler no longer kept the block in registers, and a
    // step took 1.35 times as long.
    template <typename Sink>
    SWIRLON_SIMD static void lastTwoStages(LineGroup& g, const double* sinTable, const double* cosTable, int stride,
                                           const Sink& sink, int first, int last) {
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
        for (int block = first; block < last; block += Block) {
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
        twoStages(g, sinTable, cosTable, N / 2, 1, source, 0, N);
        // After the first two stages the quarters of the lines no longer meet: each goes through
        // the remaining stages on its own while it stays in the level-1 cache.
        for (int first = 0; first < N; first += RemainingStagesSpan) {
            const int last = first + RemainingStagesSpan;
            int half = N / 2 / StagesPerPass;
            int stride = StagesPerPass;
            for (; half > LastPassHalf; half /= StagesPerPass, stride *= StagesPerPass) {
                twoStages(g, sinTable, cosTable, half, stride, GroupLines{g}, first, last);
            }
            if constexpr (OddStageCount) {
                lastThreeStages(g, sinTable, cosTable, stride, sink, first, last);
            } else {
                lastTwoStages(g, sinTable, cosTable, stride, sink, first, last);
            }
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
};

}  // namespace
}  // namespace swirlon
