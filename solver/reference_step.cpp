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
void evaluateGridFields(const PackedSpectrum& psi, StepScratch& scratch) {
    const int n = psi.grid().size();
    computeDerivatives(psi, scratch);
    inverseRealFft2d(n, scratch[Slot::velX].data());
    inverseRealFft2d(n, scratch[Slot::velY].data());
    inverseRealFft2d(n, scratch[Slot::gradX].data());
    inverseRealFft2d(n, scratch[Slot::gradY].data());
}

// The advection product, its forward transform, and the stage's update of each band entry
// but the mean, one entry at a time.
void completeStage(PackedSpectrum& psi, StepScratch& scratch, int stage, int reynolds, double dt) {
    formAdvection(scratch);
    forwardRealFft2d(psi.grid().size(), scratch[Slot::advection].data());
    const StageUpdate update{stage, viscosityOf(reynolds), dt};
    const double everyLane = std::bit_cast<double>(~std::uint64_t{0});
    const Grid& grid = psi.grid();
    const PackedSpectrum& advection = scratch[Slot::advection];
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const int at = grid.entryIndex(row, column);
        updateEntries<OneLane>(psi.data(), scratch, update, at, advection[at], static_cast<double>(kSquared),
                               everyLane);
    });
}

}  // namespace

void referenceBeginStep(const PackedSpectrum& psi, StepScratch& scratch) {
    copyBand(scratch[Slot::psiBase], psi);
    // The first stage reads psi itself: its band equals psiBase but for the mean entry, which
    // no stage reads.
    evaluateGridFields(psi, scratch);
}

void referenceFinishStep(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt) {
    constexpr int Stages = 4;
    for (int stage = 0; stage < Stages; ++stage) {
        if (stage > 0) {
            evaluateGridFields(psi, scratch);
        }
        completeStage(psi, scratch, stage, reynolds, dt);
    }
}

void referenceStepRk4(PackedSpectrum& psi, StepScratch& scratch, int reynolds, double dt) {
    referenceBeginStep(psi, scratch);
    referenceFinishStep(psi, scratch, reynolds, dt);
}

}  // namespace swirlon
