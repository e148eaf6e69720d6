// SPDX-License-Identifier: GPL-3.0-or-later
// The fused step of the fast path, written once for every instruction set: Kernels<V, N> runs
// a Runge-Kutta step as column and row passes of the multi-line FFT (solver/line_fft_kernels.h)
// with the derivatives formed as the passes load their lines, the advection product formed
// between them and the stage update (solver/rk4_stage.h) applied row by row to the last pass's
// packed rows. A source file defines SWIRLON_SIMD and its vector type and hands out
// fastKernelsOn<V>.
#pragma once

#include "solver/fast_step.h"
#include "solver/fast_tables.h"
#include "solver/grid.h"
#include "solver/line_fft_kernels.h"
#include "solver/operators.h"
#include "solver/rk4_stage.h"
#include "solver/step_scratch.h"
#include "solver/step_threads.h"
#include "solver/time_step.h"

namespace swirlon {
namespace {

// A derivative of psi is named by its slot; velX and gradY carry the row's ky (and so have a
// column 0), velY and gradX their column's kx; the gradients carry K^2 as well.
constexpr bool hasRowFactor(Slot derivative) { return derivative == Slot::velX || derivative == Slot::gradY; }
constexpr bool isGradient(Slot derivative) { return derivative == Slot::gradX || derivative == Slot::gradY; }

// What a row pass of the derivatives hands on: their grid values (left in their slots), the
// advection product (through its forward row transform into the advection slot), or both.
enum class RowPassOutput { grids, advection, gridsAndAdvection };

template <VectorOps V, int N>
struct Kernels : LineFft<V, N> {
    using Fft = LineFft<V, N>;
    using Vec = typename V::Vec;
    using Fft::BandGroups;
    using Fft::FirstZeroColumn;
    using Fft::G;
    using Fft::H;
    using Fft::L;
    using Fft::lineAt;
    using Fft::loadBits;
    using Fft::loadRowBlock;
    using Fft::loadRowPairs;
    using Fft::mirrorOf;
    using Fft::naturalAt;
    using Fft::RowPairGroups;
    using Fft::rowPairSpectrum;
    using Fft::separateRowPairs;
    using Fft::setLine;
    using Fft::setPairSpectrum;
    using Fft::storeRowBlock;
    using typename Fft::GroupLines;
    using typename Fft::LineGroup;

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
        StepScratch& scratch;
        ParallelStep* parallel;
        double* packedDerivative[4];
        double* packedAdvection;

        Workspace(StepScratch& fields, ParallelStep* shared)
            : scratch(fields),
              parallel(shared != nullptr && shared->threads().count() > 1 ? shared : nullptr),
              packedDerivative{packedOf(0, Slot::velX), packedOf(1, Slot::velY), packedOf(2, Slot::gradX),
                               packedOf(3, Slot::gradY)},
              packedAdvection(packedOf(4, Slot::advection)) {}

        double* packedOf(int field, Slot slot) const {
            return parallel != nullptr ? parallel->packed(field) : scratch[slot].data();
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
    SWIRLON_SIMD static void derivativeColumns(const Workspace& w, const double* psi, LineGroup& g, int first,
                                               int last) {
        const FastTables<N>& t = fastTables<N>();
        double* a = w.packedDerivative[derivativeIndex(D)];
        for (int group = first; group < last; ++group) {
            Fft::template butterflies<Direction::inverse>(g, DerivativeColumns<D>(psi, 1 + group * L),
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
    SWIRLON_SIMD static void derivativeColumnPass(const Workspace& w, const double* psi) {
        w.forParts(BandGroups, [&](int first, int last) {
            LineGroup g;
            derivativeColumns<Slot::velX>(w, psi, g, first, last);
            derivativeColumns<Slot::velY>(w, psi, g, first, last);
            derivativeColumns<Slot::gradX>(w, psi, g, first, last);
            derivativeColumns<Slot::gradY>(w, psi, g, first, last);
        });
    }

    // The row transform of one derivative's packed row-pair group, left bit-reversed in g.
    SWIRLON_SIMD static void inverseRowGroup(const double* packed, int p0, LineGroup& g) {
        loadPackedRowPairSpectrum(packed, p0, g);
        Fft::template butterflies<Direction::inverse>(g);
    }

    // The forward row transform of the advection row pairs in x (natural order), separated and
    // stored packed (band columns only); x is used as work space.
    SWIRLON_SIMD static void advectionRowGroup(const Workspace& w, int p0, LineGroup& x, LineGroup& out) {
        Fft::template butterflies<Direction::forward>(x);
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
        double* velX = w.scratch[Slot::velX].data();
        double* velY = w.scratch[Slot::velY].data();
        double* gradX = w.scratch[Slot::gradX].data();
        double* gradY = w.scratch[Slot::gradY].data();
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
                Fft::template storeRowPairs<Direction::inverse>(velX, p0, bx);
                Fft::template storeRowPairs<Direction::inverse>(velY, p0, by);
            }
            inverseRowGroup(w.packedDerivative[2], p0, bg);
            if constexpr (writeGrids) {
                Fft::template storeRowPairs<Direction::inverse>(gradX, p0, bg);
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
                Fft::template storeRowPairs<Direction::inverse>(gradY, p0, bg);
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

    // The advection product of the grid values in the scratch, through its forward row transform.
    // Each part forms the product on its own rows, then transforms them.
    SWIRLON_SIMD static void advectionRowPassFromGrids(const Workspace& w) {
        w.forParts(RowPairGroups, [&](int first, int last) {
            formAdvectionRows(w.scratch, first * 2 * L, last * 2 * L);
            const double* advection = w.scratch[Slot::advection].data();
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
    // only and left in the packed rows at their natural positions, column 0 (with the first part,
    // which has no more groups than any other) transformed in place as a real column; then the
    // stage update of psi, row by row. Walking
    // down a column group instead, the update would step a grid row (up to 4 KiB) at a time
    // through four to seven fields, which the processor does not foresee: at 512 points a step
    // took 1.08 of its time that way.
    SWIRLON_SIMD static void advectionColumnPass(const Workspace& w, double* psi, const StageUpdate& u) {
        w.forParts(BandGroups, [&](int first, int last) {
            advectionColumns(w, first, last);
            if (first == 0) {
                forwardRealColumn(N, w.packedAdvection + PackedColumnZero, PackedStride);
            }
        });
        w.forParts(N, [&](int first, int last) { updateRows(w, psi, u, first, last); });
    }

    // Each group's results go back over its own packed columns, which the first butterfly pass
    // has read whole by then.
    SWIRLON_SIMD static void advectionColumns(const Workspace& w, int first, int last) {
        const int* rev = fastTables<N>().bitReversed.data();
        LineGroup g;
        for (int group = first; group < last; ++group) {
            Fft::template butterflies<Direction::forward>(g, PackedColumnsSource{w.packedAdvection, group},
                                                          PackedColumnsSink{w.packedAdvection, group, rev});
        }
    }

    // The stage update on the band rows first..last - 1 from the transformed packed rows: each
    // row's entries in the order they lie in memory. Column 0's halfcomplex rows are the band rows
    // less the mean.
    SWIRLON_SIMD static void updateRows(const Workspace& w, double* psi, const StageUpdate& u, int first, int last) {
        constexpr Direction D = Direction::forward;
        const FastTables<N>& t = fastTables<N>();
        const double inBand = std::bit_cast<double>(t.bandColumnMask[0]);
        for (int r = first; r < last; ++r) {
            if (!G.isBandIndex(r)) {
                continue;
            }
            const double* packed = w.packedAdvection + r * PackedStride;
            const Vec b2 = V::set1(t.rowB2[r]);
            for (int group = 0; group < BandGroups; ++group) {
                const int s0 = 1 + group * L;
                const int mirror = mirrorOf(s0);
                const Vec re = Fft::template scaled<D>(V::load(packed + packedRe(group)));
                const Vec im = V::reverse(Fft::template scaled<D>(V::load(packed + packedIm(group))));
                updateEntries<V>(psi, w.scratch, u, r * N + s0, re, V::add(V::load(t.columnA2.data() + s0), b2),
                                 loadBits(t.bandColumnMask.data() + s0));
                updateEntries<V>(psi, w.scratch, u, r * N + mirror, im, V::add(V::load(t.columnA2.data() + mirror), b2),
                                 loadBits(t.bandColumnMask.data() + mirror));
            }
            if (r != 0) {
                updateEntries<OneLane>(psi, w.scratch, u, r * N, packed[PackedColumnZero], t.rowB2[r], inBand);
            }
        }
    }

    SWIRLON_SIMD static void beginStep(const PackedSpectrum& psi, StepScratch& scratch, ParallelStep* parallel) {
        const Workspace w(scratch, parallel);
        copyBand(scratch[Slot::psiBase], psi);
        derivativeColumnPass(w, psi.data());
        derivativeRowPass<RowPassOutput::grids>(w);
    }

    SWIRLON_SIMD static void finishStep(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt,
                                        ParallelStep* parallel) {
        const Workspace w(scratch, parallel);
        double* psiEntries = psi.data();
        const double nu = viscosityOf(reynolds);
        advectionRowPassFromGrids(w);
        advectionColumnPass(w, psiEntries, StageUpdate{0, nu, dt});
        for (int stage = 1; stage < 4; ++stage) {
            derivativeColumnPass(w, psiEntries);
            // Only the last stage's grid values outlive the step.
            if (stage < 3) {
                derivativeRowPass<RowPassOutput::advection>(w);
            } else {
                derivativeRowPass<RowPassOutput::gridsAndAdvection>(w);
            }
            advectionColumnPass(w, psiEntries, StageUpdate{stage, nu, dt});
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
