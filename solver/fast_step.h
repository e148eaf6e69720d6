// SPDX-License-Identifier: GPL-3.0-or-later
// The fast time step and transforms: the same arithmetic as the straightforward path, line for
// line and in the same order, computed on several independent lines at once with the widest
// vector instructions the processor offers. Results equal the straightforward ones bit for bit.
#pragma once

#include <array>

#include "solver/grid.h"
#include "solver/step_scratch.h"
#include "solver/step_threads.h"

namespace swirlon {

// Vector instruction sets with a kernel of their own; sse2 is part of every x86-64 processor.
enum class SimdLevel : int { sse2 = 0, avx2, avx512 };
inline constexpr int SimdLevelCount = 3;

// One set of kernels, all for one grid size.
struct FastKernels {
    // Same contracts and results as forwardRealFft2d / inverseRealFft2d (every entry written).
    void (*forwardRealFft2d)(double* a);
    void (*inverseRealFft2d)(double* a);
    // Same contracts and results as beginStep / finishStep on everything that is read after a
    // step: the band of psi and, of the scratch, psiBase, the grid values in velX, velY, gradX and
    // gradY and the band of rk1..rk4. The advection slot is left as work storage rather than as a
    // spectrum.
    // With parallel (and more than one thread in it) each pass is shared among its threads, with
    // the same results bit for bit; nullptr runs on the calling thread alone.
    void (*beginStep)(const PackedSpectrum& psi, StepScratch& scratch, ParallelStep* parallel);
    void (*finishStep)(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt, ParallelStep* parallel);
};

// The kernels of one instruction set for every supported size, in the order of SupportedGridSizes.
using FastKernelSet = std::array<FastKernels, SupportedGridSizes.size()>;

// Whether this processor (and its operating system) runs the kernels of a level.
bool isSimdLevelAvailable(SimdLevel level);
// The widest available level; chosen once per process.
SimdLevel bestSimdLevel();
// The kernels of one level at one grid; the level must be available.
const FastKernels& fastKernels(SimdLevel level, const Grid& grid);
// The kernels of bestSimdLevel() at one grid.
const FastKernels& bestFastKernels(const Grid& grid);

const char* simdLevelName(SimdLevel level);

}  // namespace swirlon
