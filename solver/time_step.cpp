// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/time_step.h"

#include "solver/fast_step.h"

namespace swirlon {

// The step runs on the vector kernels, whose results equal those of referenceBeginStep and
// referenceFinishStep (the same operators composed one line at a time) bit for bit.
void beginStep(const PackedSpectrum& psi, StepScratch& scratch, ParallelStep* parallel) {
    bestFastKernels(psi.grid()).beginStep(psi, scratch, parallel);
}

void finishStep(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt, ParallelStep* parallel) {
    bestFastKernels(psi.grid()).finishStep(psi, scratch, reynolds, dt, parallel);
}

void stepRk4(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt, ParallelStep* parallel) {
    beginStep(psi, scratch, parallel);
    finishStep(psi, scratch, reynolds, dt, parallel);
}

}  // namespace swirlon
