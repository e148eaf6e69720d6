// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/reference_step.h"

#include <bit>
#include <cstdint>

#include "solver/fft.h"
#include "solver/operators.h"
#include "solver/rk4_stage.h"
#include "solver/time_step.h"

namespace swirlon {
namespace {

// Derivative spectra of psi and their four inverse transforms into grid values.
void evaluateGridFields(FieldBank& bank) {
    const int n = bank.grid().size();
    computeDerivatives(bank);
    inverseRealFft2d(n, bank[Slot::velX].data());
    inverseRealFft2d(n, bank[Slot::velY].data());
    inverseRealFft2d(n, bank[Slot::gradX].data());
    inverseRealFft2d(n, bank[Slot::gradY].data());
}

// The advection product, its forward transform, and the stage's update of each band entry
// but the mean, one entry at a time.
void completeStage(FieldBank& bank, int stage, int reynolds, double dt) {
    formAdvection(bank);
    forwardRealFft2d(bank.grid().size(), bank[Slot::advection].data());
    const StageUpdate update{stage, viscosityOf(reynolds), dt};
    const double everyLane = std::bit_cast<double>(~std::uint64_t{0});
    const Grid& grid = bank.grid();
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const int at = grid.entryIndex(row, column);
        updateEntries<OneLane>(bank, update, at, bank[Slot::advection][at], static_cast<double>(kSquared), everyLane);
    });
}

}  // namespace

void referenceBeginStep(FieldBank& bank) {
    copyBand(bank[Slot::psiBase], bank[Slot::psi]);
    // The first stage reads psi itself: its band equals psiBase but for the mean entry, which
    // no stage reads.
    evaluateGridFields(bank);
}

void referenceFinishStep(FieldBank& bank, int reynolds, double dt) {
    constexpr int Stages = 4;
    for (int stage = 0; stage < Stages; ++stage) {
        if (stage > 0) {
            evaluateGridFields(bank);
        }
        completeStage(bank, stage, reynolds, dt);
    }
}

void referenceStepRk4(FieldBank& bank, int reynolds, double dt) {
    referenceBeginStep(bank);
    referenceFinishStep(bank, reynolds, dt);
}

}  // namespace swirlon
