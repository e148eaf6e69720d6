// SPDX-License-Identifier: GPL-3.0-or-later
// One classical fourth-order Runge-Kutta step of TimeStep for the vorticity equation
//   d(omega)/dt + u*d(omega)/dx + v*d(omega)/dy = nu * laplacian(omega),  nu = 1/reynolds,
// held as d(psi_hat)/dt = A_hat/K^2 - nu*K^2*psi_hat on the band less the mean entry.
#pragma once

#include "solver/grid.h"
#include "solver/step_scratch.h"
#include "solver/step_threads.h"

namespace swirlon {

// The kinematic viscosity nu = 1/Re, the one place it is formed: the straightforward and the
// fast step multiply by it, so both must form it alike.
constexpr double viscosityOf(int reynolds) { return 1.0 / static_cast<double>(reynolds); }

// Advances psi by one step of dt (TimeStep unless a frame is split into sub-steps) at
// viscosity 1/reynolds (reynolds > 0), in place. The scratch (on psi's grid) is the step's only
// work storage; nothing is allocated. Same as beginStep followed by finishStep. Runs on the vector
// kernels of solver/fast_step.h; the advection slot is left as their work storage, not as a
// spectrum. With parallel, the passes are shared among its threads; the results are the same bit
// for bit.
void stepRk4(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt = TimeStep,
             ParallelStep* parallel = nullptr);

// The part of a step that does not depend on dt or the viscosity: psiBase = band of psi, then
// the first stage's derivatives, leaving u, v, domega/dx, domega/dy of psi as grid values in
// velX, velY, gradX, gradY (a frame reads its stability number from them).
void beginStep(const PackedSpectrum& psi, StepScratch& scratch, ParallelStep* parallel = nullptr);
// The rest of the step after beginStep on the same psi: the first stage's advection and
// increment, stages two to four, and the combination into psi.
void finishStep(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt, ParallelStep* parallel = nullptr);

}  // namespace swirlon
