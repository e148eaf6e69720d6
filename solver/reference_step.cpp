// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/reference_step.h"

#include "solver/operators.h"
#include "solver/time_step.h"

namespace swirlon {

void referenceBeginStep(FieldBank& bank) {
    copyBand(bank[Slot::psiBase], bank[Slot::psi]);
    // The first stage reads psi itself: its band equals psiBase but for the mean entry, which
    // no stage reads.
    evaluateGridFields(bank);
}

void referenceFinishStep(FieldBank& bank, int reynolds, double dt) {
    PackedSpectrum& psi = bank[Slot::psi];
    const PackedSpectrum& base = bank[Slot::psiBase];
    completeStage(bank, bank[Slot::rk1], reynolds, dt);
    formStageState(psi, base, bank[Slot::rk1], 0.5);
    evaluateGridFields(bank);
    completeStage(bank, bank[Slot::rk2], reynolds, dt);
    formStageState(psi, base, bank[Slot::rk2], 0.5);
    evaluateGridFields(bank);
    completeStage(bank, bank[Slot::rk3], reynolds, dt);
    formStageState(psi, base, bank[Slot::rk3], 1.0);
    evaluateGridFields(bank);
    completeStage(bank, bank[Slot::rk4], reynolds, dt);
    combineRk4(bank);
}

void referenceStepRk4(FieldBank& bank, int reynolds, double dt) {
    referenceBeginStep(bank);
    referenceFinishStep(bank, reynolds, dt);
}

}  // namespace swirlon
