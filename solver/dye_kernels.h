// SPDX-License-Identifier: GPL-3.0-or-later
// The dye's step (solver/dye.h) written once over a vector type (solver/vector_ops.h), so that
// every instruction set and the one-lane reference do the same operations in the same order and
// agree bit for bit. Two kinds of work: the back-trace and the interpolation weights, lane by
// lane over neighbouring pixels of a row; and the bicubic read of one pixel, whose four taps in
// a row of the padded picture lie side by side with their colours (DyeScratch), so that it
// takes whole vectors without gathers or wrapped indices. The source file that includes this
// defines SWIRLON_SIMD and its vector type first.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <numbers>

#include "solver/dye.h"
#include "solver/step_threads.h"
#include "solver/vector_ops.h"

namespace swirlon {
namespace {

// What the dye needs of a vector type beyond VectorOps: lane-wise minimum and maximum (a < b ?
// a : b, the instructions' rule) and floor (exact; every lane kind agrees on every value but
// -0, which the back-trace never forms: a whole column less a way is +0 at the least). A vector
// of eight lanes spans two pixels: it also sets its halves from two values, swaps its halves,
// and loads one pixel into both halves and stores the lower half as one pixel.
template <typename V>
concept DyeVectorOps = VectorOps<V> && requires(typename V::Vec a) {
    { V::min(a, a) } -> std::same_as<typename V::Vec>;
    { V::max(a, a) } -> std::same_as<typename V::Vec>;
    { V::floor(a) } -> std::same_as<typename V::Vec>;
} &&(V::Lanes <= DyePixelStride || requires(typename V::Vec a, double* p, double x) {
    { V::setHalves(x, x) } -> std::same_as<typename V::Vec>;
    { V::swapHalves(a) } -> std::same_as<typename V::Vec>;
    { V::loadPixel(p) } -> std::same_as<typename V::Vec>;
    V::storePixel(p, a);
});

template <DyeVectorOps V>
struct DyeKernel {
    using Vec = typename V::Vec;
    static constexpr int Lanes = V::Lanes;
    // Pixels of a row traced together, enough for independent vectors to overlap, and a
    // divisor of every size.
    static constexpr int ChunkPixels = 64;
    static_assert(ChunkPixels % Lanes == 0 && SupportedGridSizes[0] % ChunkPixels == 0);
    static constexpr int Taps = 4;
    // Vectors of one row of a pixel's taps (four pixels, each with its colours), and of one
    // pixel's colours (an eight-lane vector holds them twice).
    static constexpr int TapRowVectors = Taps * DyePixelStride / Lanes;
    static constexpr int PixelVectors = Lanes > DyePixelStride ? 1 : DyePixelStride / Lanes;

    // A chunk's back-traced points as the floor of each coordinate, the padded picture's first
    // tap once wrapped, and the Catmull-Rom weights of the four taps along each coordinate; and
    // the chunk's finished colours.
    struct Chunk {
        double column[ChunkPixels];
        double row[ChunkPixels];
        double across[Taps][ChunkPixels];
        double up[Taps][ChunkPixels];
        double finished[ChunkPixels * DyePixelStride];
    };

    // One row's velocities: its own with a neighbour wrapped on at either end (so that entry
    // c + 1 is column c), and the rows below and above.
    struct VelocityRows {
        const double* u;
        const double* v;
        const double* uBelow;
        const double* uAbove;
        const double* vBelow;
        const double* vAbove;
    };

    struct Trace {
        Vec period;
        Vec way;
        Vec halfWay;
    };

    SWIRLON_SIMD static Vec clamp(Vec x, Vec low, Vec high) { return V::max(V::min(x, high), low); }

    SWIRLON_SIMD static Vec loadPixel(const double* p) {
        if constexpr (Lanes > DyePixelStride) {
            return V::loadPixel(p);
        } else {
            return V::load(p);
        }
    }
    SWIRLON_SIMD static void storePixel(double* p, Vec v) {
        if constexpr (Lanes > DyePixelStride) {
            V::storePixel(p, v);
        } else {
            V::store(p, v);
        }
    }

    // The Catmull-Rom weights of a fraction; at a whole pixel exactly 0, 1, 0, 0.
    SWIRLON_SIMD static void storeWeights(Vec t, double (*weight)[ChunkPixels], int at) {
        const Vec half = V::set1(0.5);
        const Vec t2 = V::mul(t, t);
        const Vec t3 = V::mul(t2, t);
        const Vec twoT2 = V::mul(V::set1(2.0), t2);
        const Vec threeT3 = V::mul(V::set1(3.0), t3);
        V::store(weight[0] + at, V::mul(half, V::sub(V::sub(twoT2, t3), t)));
        V::store(weight[1] + at, V::mul(half, V::add(V::sub(threeT3, V::mul(V::set1(5.0), t2)), V::set1(2.0))));
        V::store(weight[2] + at, V::mul(half, V::add(V::sub(V::mul(V::set1(4.0), t2), threeT3), t)));
        V::store(weight[3] + at, V::mul(half, V::sub(t3, t2)));
    }

    // Where the fluid at each pixel of the chunk came from: the midpoint rule, the velocity at the
    // midpoint taken from its first-order Taylor expansion with central differences, so that no
    // velocity needs interpolating; a uniform flow goes back by exactly its way. A way longer
    // than a period means nothing on a periodic grid and is limited to one. The points stay
    // unwrapped: their fractions are the same, and the taps are wrapped as whole numbers.
    SWIRLON_SIMD static void traceChunk(const VelocityRows& rows, int row, int firstColumn, const Trace& t,
                                        Chunk& chunk) {
        alignas(64) static constexpr double LaneOffsets[] = {0, 1, 2, 3, 4, 5, 6, 7};
        static_assert(std::size(LaneOffsets) >= static_cast<std::size_t>(Lanes));
        const Vec half = V::set1(0.5);
        const Vec minusPeriod = V::sub(V::zero(), t.period);
        const Vec y = V::set1(static_cast<double>(row));
        for (int at = 0; at < ChunkPixels; at += Lanes) {
            const int c = firstColumn + at;
            const Vec u = V::load(rows.u + c + 1);
            const Vec v = V::load(rows.v + c + 1);
            const Vec dudx = V::mul(half, V::sub(V::load(rows.u + c + 2), V::load(rows.u + c)));
            const Vec dvdx = V::mul(half, V::sub(V::load(rows.v + c + 2), V::load(rows.v + c)));
            const Vec dudy = V::mul(half, V::sub(V::load(rows.uAbove + c), V::load(rows.uBelow + c)));
            const Vec dvdy = V::mul(half, V::sub(V::load(rows.vAbove + c), V::load(rows.vBelow + c)));
            const Vec midU = V::sub(u, V::mul(t.halfWay, V::add(V::mul(u, dudx), V::mul(v, dudy))));
            const Vec midV = V::sub(v, V::mul(t.halfWay, V::add(V::mul(u, dvdx), V::mul(v, dvdy))));
            const Vec x = V::add(V::set1(static_cast<double>(c)), V::load(LaneOffsets));
            const Vec departX = V::sub(x, clamp(V::mul(t.way, midU), minusPeriod, t.period));
            const Vec departY = V::sub(y, clamp(V::mul(t.way, midV), minusPeriod, t.period));
            const Vec column = V::floor(departX);
            const Vec rowOf = V::floor(departY);
            V::store(chunk.column + at, column);
            V::store(chunk.row + at, rowOf);
            storeWeights(V::sub(departX, column), chunk.across, at);
            storeWeights(V::sub(departY, rowOf), chunk.up, at);
        }
    }

    // The weights of the taps along x in the lanes of vector m of a tap row.
    SWIRLON_SIMD static Vec acrossWeights(const Chunk& chunk, int pixel, int m) {
        if constexpr (Lanes > DyePixelStride) {
            return V::setHalves(chunk.across[2 * m][pixel], chunk.across[2 * m + 1][pixel]);
        } else {
            return V::set1(chunk.across[m * Lanes / DyePixelStride][pixel]);
        }
    }

    // Pixel p of the chunk read bicubically from the padded picture: the four tap rows weighted
    // and summed first, then the four columns as (c0 + c2) + (c1 + c3).
    SWIRLON_SIMD static void samplePixel(const double* padded, int mask, int paddedRowDoubles, const Chunk& chunk,
                                         int p, Vec (&colours)[PixelVectors]) {
        // Padded coordinates count from one pixel before the first, so the floor is the first tap.
        const int row = static_cast<int>(chunk.row[p]) & mask;
        const int column = static_cast<int>(chunk.column[p]) & mask;
        const double* tapRow = padded + static_cast<std::ptrdiff_t>(row) * paddedRowDoubles + column * DyePixelStride;
        // The rows as (r0 + r1) + (r2 + r3): two short chains rather than one long one.
        Vec sum[TapRowVectors];
        Vec upper[TapRowVectors];
        const Vec up[Taps] = {V::set1(chunk.up[0][p]), V::set1(chunk.up[1][p]), V::set1(chunk.up[2][p]),
                              V::set1(chunk.up[3][p])};
        const double* row2 = tapRow + 2 * static_cast<std::ptrdiff_t>(paddedRowDoubles);
        for (int m = 0; m < TapRowVectors; ++m) {
            sum[m] = V::add(V::mul(up[0], V::load(tapRow + m * Lanes)),
                            V::mul(up[1], V::load(tapRow + paddedRowDoubles + m * Lanes)));
            upper[m] = V::add(V::mul(up[2], V::load(row2 + m * Lanes)),
                              V::mul(up[3], V::load(row2 + paddedRowDoubles + m * Lanes)));
        }
        for (int m = 0; m < TapRowVectors; ++m) {
            sum[m] = V::add(sum[m], upper[m]);
        }
        for (int m = 0; m < TapRowVectors; ++m) {
            sum[m] = V::mul(sum[m], acrossWeights(chunk, p, m));
        }
        constexpr int Half = TapRowVectors / 2;
        for (int m = 0; m < Half; ++m) {
            sum[m] = V::add(sum[m], sum[m + Half]);
        }
        if constexpr (Lanes > DyePixelStride) {
            colours[0] = V::add(sum[0], V::swapHalves(sum[0]));
        } else {
            for (int m = 0; m < PixelVectors; ++m) {
                colours[m] = V::add(sum[m], sum[m + PixelVectors]);
            }
        }
    }

    // The padding: every row's pixel before the first and two after the last wrapped on, then the
    // whole rows likewise.
    static void wrapPadding(double* padded, int size) {
        const int rowDoubles = (size + DyePaddingBefore + DyePaddingAfter) * DyePixelStride;
        auto pixel = [&](int row, int column) {
            return padded + (row + DyePaddingBefore) * rowDoubles + (column + DyePaddingBefore) * DyePixelStride;
        };
        for (int row = 0; row < size; ++row) {
            for (int column = -DyePaddingBefore; column < 0; ++column) {
                std::copy_n(pixel(row, column + size), DyePixelStride, pixel(row, column));
            }
            for (int column = size; column < size + DyePaddingAfter; ++column) {
                std::copy_n(pixel(row, column - size), DyePixelStride, pixel(row, column));
            }
        }
        for (int row = -DyePaddingBefore; row < 0; ++row) {
            std::copy_n(pixel(row + size, -DyePaddingBefore), rowDoubles, pixel(row, -DyePaddingBefore));
        }
        for (int row = size; row < size + DyePaddingAfter; ++row) {
            std::copy_n(pixel(row - size, -DyePaddingBefore), rowDoubles, pixel(row, -DyePaddingBefore));
        }
    }

    // What each pixel's sample becomes: the way there, stored in the padded picture `there`; or
    // the way back, whose difference from the start corrects the way there into the dye itself.
    enum class Pass { there, backAndCorrect };

    // Rows firstRow..lastRow - 1 of a pass; each row reads nothing the pass writes, so the rows
    // may be shared among threads.
    template <Pass P>
    SWIRLON_SIMD static void samplePass(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY,
                                        double dt, DyeScratch& scratch, int firstRow, int lastRow) {
        const int size = dye.grid().size();
        const int mask = size - 1;
        const int paddedRowDoubles = (size + DyePaddingBefore + DyePaddingAfter) * DyePixelStride;
        const double period = size;
        const double way = dt * period / (2.0 * std::numbers::pi);
        const Trace trace{.period = V::set1(period), .way = V::set1(way), .halfWay = V::set1(0.5 * way)};
        const double* source = P == Pass::there ? scratch.start() : scratch.there();
        const Vec low = V::set1(DyeStoredLow);
        const Vec high = V::set1(DyeStoredHigh);
        const Vec half = V::set1(0.5);
        Chunk chunk;
        constexpr int LargestRow = SupportedGridSizes.back() + 2;
        double rowU[LargestRow];
        double rowV[LargestRow];
        for (int row = firstRow; row < lastRow; ++row) {
            const auto rowAt = [&](const PackedSpectrum& field, int r) { return field.data() + (r & mask) * size; };
            std::copy_n(rowAt(velX, row), size, rowU + 1);
            std::copy_n(rowAt(velY, row), size, rowV + 1);
            rowU[0] = rowU[size];
            rowV[0] = rowV[size];
            rowU[size + 1] = rowU[1];
            rowV[size + 1] = rowV[1];
            const VelocityRows rows{.u = rowU,
                                    .v = rowV,
                                    .uBelow = rowAt(velX, row - 1),
                                    .uAbove = rowAt(velX, row + 1),
                                    .vBelow = rowAt(velY, row - 1),
                                    .vAbove = rowAt(velY, row + 1)};
            for (int first = 0; first < size; first += ChunkPixels) {
                traceChunk(rows, row, first, trace, chunk);
                const std::ptrdiff_t interior = static_cast<std::ptrdiff_t>(row + DyePaddingBefore) * paddedRowDoubles +
                                                (first + DyePaddingBefore) * DyePixelStride;
                for (int p = 0; p < ChunkPixels; ++p) {
                    Vec colours[PixelVectors];
                    samplePixel(source, mask, paddedRowDoubles, chunk, p, colours);
                    const std::ptrdiff_t at = interior + p * DyePixelStride;
                    for (int m = 0; m < PixelVectors; ++m) {
                        if constexpr (P == Pass::there) {
                            storePixel(scratch.there() + at + m * Lanes, clamp(colours[m], low, high));
                        } else {
                            // Half the round trip's error is the error of one way, taken off the
                            // way there (MacCormack's form of the correction, which needs no third
                            // pass): there + (start - back) / 2, grouped so that the sample comes
                            // last, and bounded once at the end.
                            const Vec start = loadPixel(scratch.start() + at + m * Lanes);
                            const Vec there = loadPixel(scratch.there() + at + m * Lanes);
                            const Vec known = V::add(there, V::mul(half, start));
                            storePixel(chunk.finished + p * DyePixelStride + m * Lanes,
                                       clamp(V::sub(known, V::mul(half, colours[m])), low, high));
                        }
                    }
                }
                if constexpr (P == Pass::backAndCorrect) {
                    for (int channel = 0; channel < DyeChannels; ++channel) {
                        double* out = dye.channel(channel) + row * size + first;
                        for (int p = 0; p < ChunkPixels; ++p) {
                            out[p] = chunk.finished[p * DyePixelStride + channel];
                        }
                    }
                }
            }
        }
    }

    // The dye's colours side by side in the padded picture the way there starts from.
    static void packStart(const DyeField& dye, DyeScratch& scratch) {
        const int size = dye.grid().size();
        const int paddedRowDoubles = (size + DyePaddingBefore + DyePaddingAfter) * DyePixelStride;
        for (int row = 0; row < size; ++row) {
            double* out =
                scratch.start() + (row + DyePaddingBefore) * paddedRowDoubles + DyePaddingBefore * DyePixelStride;
            for (int column = 0; column < size; ++column) {
                for (int channel = 0; channel < DyeChannels; ++channel) {
                    out[column * DyePixelStride + channel] = dye.channel(channel)[row * size + column];
                }
            }
        }
        wrapPadding(scratch.start(), size);
    }

    SWIRLON_SIMD static void advect(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt,
                                    DyeScratch& scratch, StepThreads* threads) {
        const int size = dye.grid().size();
        packStart(dye, scratch);
        const auto shared = [&](auto pass) {
            if (threads == nullptr) {
                pass(0, size);
                return;
            }
            const int parts = threads->count();
            threads->run([&](int part) { pass(part * size / parts, (part + 1) * size / parts); });
        };
        shared([&](int first, int last) { samplePass<Pass::there>(dye, velX, velY, dt, scratch, first, last); });
        wrapPadding(scratch.there(), size);
        shared(
            [&](int first, int last) { samplePass<Pass::backAndCorrect>(dye, velX, velY, -dt, scratch, first, last); });
    }
};

}  // namespace
}  // namespace swirlon
