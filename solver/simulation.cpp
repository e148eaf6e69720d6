// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/simulation.h"

#include <limits>

#include "solver/diagnostics.h"
#include "solver/operators.h"
#include "solver/regrid.h"
#include "solver/spectra.h"
#include "solver/spectral_filter.h"
#include "solver/time_step.h"

namespace swirlon {

Simulation::Simulation(int reynolds, Grid grid)
    : state_(grid),
      scratch_(grid),
      rollback_(std::make_unique<PackedSpectrum>(grid)),
      vorticity_(std::make_unique<PackedSpectrum>(grid)),
      reynolds_(reynolds) {
    stateChanged(0);
}

void Simulation::setPhysics(const PhysicsParams& params) { extra_.setParams(params); }

Simulation::~Simulation() = default;

void Simulation::setStateFromVorticity(const PackedSpectrum& gridVorticity) {
    PackedSpectrum& psi = state_.psi;
    if (gridVorticity.grid() == grid()) {
        psi = gridVorticity;
        streamFunctionFromVorticity(psi);
    } else {
        PackedSpectrum own = gridVorticity;
        streamFunctionFromVorticity(own);
        psi = regridSpectrum(own, grid());
    }
    if (settings_.filter) {
        applySpectralFilter(psi);
    }
    stateChanged(0);
}

void Simulation::setState(const PackedSpectrum& psi, std::int64_t frames) {
    state_.psi = psi.grid() == grid() ? psi : regridSpectrum(psi, grid());
    stateChanged(frames);
}

void Simulation::setGrid(Grid grid) {
    if (grid == this->grid()) {
        return;
    }
    state_.psi = regridSpectrum(psi(), grid);
    scratch_ = StepScratch(grid);
    rollback_ = std::make_unique<PackedSpectrum>(grid);
    vorticity_ = std::make_unique<PackedSpectrum>(grid);
    if (parallel_) {
        parallel_ = std::make_unique<ParallelStep>(parallel_->threads().count(), grid);
    }
    if (dye_) {
        dye_ = std::make_unique<CarriedDye>(regridDye(dye_->field(), grid));
    }
    stateChanged(state_.frames);
}

void Simulation::stateChanged(std::int64_t frames) {
    state_.frames = frames;
    vorticityCurrent_ = false;
    frameDone_ = false;
    // The first part of a step leaves the state's own grid velocities behind; the slots it
    // writes besides are scratch that every step rebuilds.
    beginStep(state_.psi, scratch_);
    outcome_ = FrameOutcome{.subSteps = 0,
                            .stabilityNumber = stabilityNumber(velocityX(), velocityY(), reynolds_),
                            .finite = isBandFinite(psi())};
}

void Simulation::setThreads(int count) {
    if (count == threads()) {
        return;
    }
    parallel_ = count > 1 ? std::make_unique<ParallelStep>(count, grid()) : nullptr;
}

const FrameOutcome& Simulation::advanceFrame() {
    outcome_ = swirlon::advanceFrame(state_, scratch_, reynolds_, *rollback_, settings_, &extra_, parallel_.get());
    frameDone_ = outcome_.finite;
    frameReynolds_ = reynolds_;
    framePhysics_ = physics();
    if (outcome_.finite) {
        vorticityCurrent_ = false;
        if (dye_) {
            dye_->carry(velocityX(), velocityY(), TimeStep, parallel_ ? &parallel_->threads() : nullptr);
        }
    }
    return outcome_;
}

void Simulation::setDye(const DyeField* dye) {
    dye_ =
        dye == nullptr ? nullptr : std::make_unique<CarriedDye>(dye->grid() == grid() ? *dye : regridDye(*dye, grid()));
}

Simulation::FrameBalance Simulation::lastFrameBalance() const {
    if (!frameDone_) {
        const double none = std::numeric_limits<double>::quiet_NaN();
        return {.budgetResidual = none, .filterShare = none};
    }
    const EnergyBudget start = energyBudget(*rollback_, frameReynolds_, framePhysics_);
    const EnergyBudget end = energyBudget(psi(), frameReynolds_, framePhysics_);
    const double dissipated = 0.5 * TimeStep * (start.smallScaleEnstrophyLoss + end.smallScaleEnstrophyLoss);
    return {.budgetResidual = budgetResidual(start, end, TimeStep),
            .filterShare = filterEnstrophyShare(outcome_.filteredEnstrophy, dissipated)};
}

const PackedSpectrum& Simulation::gridVorticity() const {
    if (!vorticityCurrent_) {
        vorticityFromStreamFunction(psi(), *vorticity_);
        vorticityCurrent_ = true;
    }
    return *vorticity_;
}

Diagnostics measureDiagnostics(const Simulation& simulation) {
    const PackedSpectrum& psi = simulation.psi();
    const EnergyBudget budget = energyBudget(psi, simulation.reynolds(), simulation.physics());
    const Simulation::FrameBalance balance = simulation.lastFrameBalance();
    return Diagnostics{.energy = energy(psi),
                       .enstrophy = enstrophy(psi),
                       .palinstrophy = palinstrophy(psi),
                       .maxVorticity = largestMagnitude(simulation.gridVorticity()),
                       .stabilityNumber = simulation.lastOutcome().stabilityNumber,
                       .subSteps = simulation.lastOutcome().subSteps,
                       .edgeEnstrophyShare = edgeEnstrophyShare(psi),
                       .filterEnstrophyShare = balance.filterShare,
                       .injectionRate = budget.injection,
                       .viscousDissipation = budget.viscous,
                       .hyperviscousDissipation = budget.hyperviscous,
                       .dragDissipation = budget.drag,
                       .budgetResidual = balance.budgetResidual};
}

}  // namespace swirlon
