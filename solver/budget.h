// SPDX-License-Identifier: GPL-3.0-or-later
// The energy budget of a state, dE/dt = injection - viscous - hyperviscous - drag, each rate a
// pure function of the band of psi and the run's terms (computed spectrally like
// solver/diagnostics.h: every stored entry e stands for its coefficient and the conjugate).
#pragma once

#include "solver/grid.h"
#include "solver/physics_params.h"

namespace swirlon {

struct EnergyBudget {
    // E = 1/2 <u^2 + v^2>, the same number as energy(psi).
    double energy = 0.0;
    // Stripes: -<psi F> = -2 e(0, k_f) A k_f / 2; ring: epsilon, its mean (a single frame's
    // actual injection is random); none: 0.
    double injection = 0.0;
    // 2 nu Z.
    double viscous = 0.0;
    // 2 nu_h sum K^(2p) K^2 e^2.
    double hyperviscous = 0.0;
    // 2 mu E.
    double drag = 0.0;
    // The rate at which viscosity and hyperviscosity remove enstrophy, 2 nu P + 2 nu_h sum
    // K^(2p) K^4 e^2: the losses at small scales that a resolved flow leaves to the physical
    // terms (not part of the energy's balance).
    double smallScaleEnstrophyLoss = 0.0;

    // dE/dt that the terms give: advection moves energy between modes but neither makes nor
    // destroys it on the band.
    double net() const { return injection - viscous - hyperviscous - drag; }
};

EnergyBudget energyBudget(const PackedSpectrum& psi, int reynolds, const PhysicsParams& params);

// The budget's error over one frame of length dt from the budgets at its ends: the change of
// E per unit time less the trapezoidal mean of the net rate. Closes to the time step's error,
// and for random forcing in the mean only.
double budgetResidual(const EnergyBudget& start, const EnergyBudget& end, double dt);

}  // namespace swirlon
