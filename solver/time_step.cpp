// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/time_step.h"

#include "solver/fast_step.h"

namespace swirlon {

// The step runs on the vector kernels, whose results equal those of referenceBeginStep and
// referenceFinishStep (the same operators composed one line at a time) bit for bit.
void beginStep(FieldBank& bank, ParallelStep* parallel) { bestFastKernels(bank.grid()).beginStep(bank, parallel); }

void finishStep(FieldBank& bank, int reynolds, double dt, ParallelStep* parallel) {
    bestFastKernels(bank.grid()).finishStep(bank, reynolds, dt, parallel);
}

void stepRk4(FieldBank& bank, int reynolds, double dt, ParallelStep* parallel) {
    beginStep(bank, parallel);
    finishStep(bank, reynolds, dt, parallel);
}

}  // namespace swirlon
