// SPDX-License-Identifier: GPL-3.0-or-later
// Dye carried by the flow: a colour picture with one pixel per grid point, moved every frame by
// the grid velocities with a semi-Lagrangian scheme. Each pixel takes the colour found where
// its fluid came from: a midpoint back-trace (solver/dye_kernels.h), then bicubic
// (Catmull-Rom) interpolation of the picture, corrected by back and forth error
// compensation (in MacCormack's form: half the error of a round trip taken off the way there)
// so that fine structure stays sharp, and limited to a band around the shown range so that
// every value stays bounded. Periodic like the flow. Nothing here
// allocates once the field is made.
#pragma once

#include <cstddef>
#include <vector>

#include "solver/fast_step.h"
#include "solver/grid.h"
#include "solver/step_threads.h"

namespace swirlon {

inline constexpr int DyeChannels = 3;
// Colours run from 0 to this (a byte's range); the scheme may carry small overshoots beyond,
// which the picture shows as the range's ends.
inline constexpr double DyeChannelMax = 255.0;

class DyeField {
  public:
    // Black, on grid.
    explicit DyeField(Grid grid)
        : grid_(grid), values_(static_cast<std::size_t>(DyeChannels) * static_cast<std::size_t>(grid.points()), 0.0) {}

    const Grid& grid() const { return grid_; }
    // Channel c (0 red, 1 green, 2 blue) as grid.points() values, element size*row + column
    // like a grid field, row 0 at the bottom.
    double* channel(int c) { return values_.data() + static_cast<std::ptrdiff_t>(c) * grid_.points(); }
    const double* channel(int c) const { return values_.data() + static_cast<std::ptrdiff_t>(c) * grid_.points(); }
    // All channels one after the other: red, green, blue.
    const std::vector<double>& values() const { return values_; }
    std::vector<double>& values() { return values_; }

    bool operator==(const DyeField&) const = default;

  private:
    Grid grid_;
    std::vector<double> values_;
};

// How far beyond the shown range a colour may be carried. Clamping at the shown range itself
// would cut off the small overshoots of the cubic next to sharp edges, which the correction
// needs to take back again; kept, they show only as the range's end, and the bound keeps every
// value finite however long the run.
inline constexpr double DyeStoredLow = -0.5 * DyeChannelMax;
inline constexpr double DyeStoredHigh = 1.5 * DyeChannelMax;

// The step reads the picture padded: each pixel's colours side by side with one unused lane,
// so a pixel fills whole vectors, and the rows and columns wrapped on, one pixel before and
// two after (the reach of a cubic's taps), so a pixel's taps never wrap.
inline constexpr int DyePixelStride = 4;
inline constexpr int DyePaddingBefore = 1;
inline constexpr int DyePaddingAfter = 2;

// The storage a step of the dye works in, made once for a grid: the padded picture at the
// start and after the way there, in one block. The second begins half a page on from where
// whole pages would put it: the way there stores each pixel just where it reads the start, and
// with equal offsets within a page the processor would hold every read back for the store
// before it.
class DyeScratch {
  public:
    explicit DyeScratch(Grid on);

    const Grid& grid() const { return grid_; }
    double* start() { return storage_.data(); }
    double* there() { return storage_.data() + thereOffset_; }

  private:
    Grid grid_;
    std::size_t thereOffset_;
    std::vector<double> storage_;
};

// Carries the dye for time dt by the grid velocities u = velX, v = velY (box units per unit
// time), all on one grid, scratch made for it, its rows shared among threads (nullptr: the
// calling thread alone). A uniform velocity that moves a whole number of pixels moves the
// picture by exactly that many.
void advectDye(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt, DyeScratch& scratch,
               StepThreads* threads = nullptr);
// The same step with the vector instructions of one level (which must be available), and with
// one lane at a time on one thread; every one, on any number of threads, gives the same dye bit
// for bit.
void advectDye(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt, DyeScratch& scratch,
               StepThreads* threads, SimdLevel level);
void referenceAdvectDye(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt,
                        DyeScratch& scratch);

// The step of one level, as the kernel files hand it out.
using DyeAdvection = void (*)(DyeField& dye, const PackedSpectrum& velX, const PackedSpectrum& velY, double dt,
                              DyeScratch& scratch, StepThreads* threads);

// The same dye on another grid, each pixel taking the colour of the nearest one of the old.
DyeField regridDye(const DyeField& dye, Grid grid);

}  // namespace swirlon
