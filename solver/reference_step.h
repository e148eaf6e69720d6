// SPDX-License-Identifier: GPL-3.0-or-later
// The time step built directly from the public operators and transforms, one line at a time.
// It is the yardstick the fast step is tested and measured against.
#pragma once

#include "solver/grid.h"
#include "solver/step_scratch.h"

namespace swirlon {

// Same contracts as beginStep / finishStep / stepRk4 in solver/time_step.h.
void referenceBeginStep(const PackedSpectrum& psi, StepScratch& scratch);
void referenceFinishStep(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt);
void referenceStepRk4(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt = TimeStep);

}  // namespace swirlon
