// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/time_step.h"

#include "solver/fast_step.h"
#include "solver/fft.h"
#include "solver/operators.h"

namespace swirlon {

void computeIncrement(FieldBank& bank, PackedSpectrum& increment, int reynolds, double dt) {
    const double nu = viscosityOf(reynolds);
    const PackedSpectrum& advection = bank[Slot::advection];
    const PackedSpectrum& psi = bank[Slot::psi];
    const Grid& grid = bank.grid();
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const int at = grid.entryIndex(row, column);
        const double k2 = static_cast<double>(kSquared);
        increment[at] = (advection[at] / k2 - nu * k2 * psi[at]) * dt;
    });
}

void formStageState(PackedSpectrum& dst, const PackedSpectrum& base, const PackedSpectrum& increment, double weight) {
    const Grid& grid = dst.grid();
    grid.forEachBandEntryButMean([&](int row, int column, int) {
        const int at = grid.entryIndex(row, column);
        dst[at] = weight * increment[at] + base[at];
    });
}

void combineRk4(FieldBank& bank) {
    PackedSpectrum& psi = bank[Slot::psi];
    const PackedSpectrum& base = bank[Slot::psiBase];
    const PackedSpectrum& k1 = bank[Slot::rk1];
    const PackedSpectrum& k2 = bank[Slot::rk2];
    const PackedSpectrum& k3 = bank[Slot::rk3];
    const PackedSpectrum& k4 = bank[Slot::rk4];
    const Grid& grid = bank.grid();
    grid.forEachBandEntryButMean([&](int row, int column, int) {
        const int at = grid.entryIndex(row, column);
        psi[at] = ((k3[at] + k2[at]) * 2.0 + k1[at] + k4[at]) * OneSixth + base[at];
    });
}

void evaluateGridFields(FieldBank& bank) {
    const int n = bank.grid().size();
    computeDerivatives(bank);
    inverseRealFft2d(n, bank[Slot::velX].data());
    inverseRealFft2d(n, bank[Slot::velY].data());
    inverseRealFft2d(n, bank[Slot::gradX].data());
    inverseRealFft2d(n, bank[Slot::gradY].data());
}

void completeStage(FieldBank& bank, PackedSpectrum& increment, int reynolds, double dt) {
    formAdvection(bank);
    forwardRealFft2d(bank.grid().size(), bank[Slot::advection].data());
    computeIncrement(bank, increment, reynolds, dt);
}

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
