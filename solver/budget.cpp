// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/budget.h"

#include "solver/extra_terms.h"

namespace swirlon {
namespace {

// K^(2p) of the hyperviscous term, by repeated products.
double hyperviscousFactor(double kSquared, int order) {
    double power = 1.0;
    for (int i = 0; i < order; ++i) {
        power *= kSquared;
    }
    return power;
}

}  // namespace

EnergyBudget energyBudget(const PackedSpectrum& psi, int reynolds, const PhysicsParams& params) {
    const Grid& grid = psi.grid();
    double energy = 0.0;
    double enstrophy = 0.0;
    double hyper = 0.0;
    const bool withHyper = params.hyperviscosity != 0.0;
    // One pass, with the same sums in the same order as energy() and enstrophy().
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const double value = psi[grid.entryIndex(row, column)];
        const double k2 = static_cast<double>(kSquared);
        energy += k2 * value * value;
        enstrophy += k2 * k2 * value * value;
        if (withHyper) {
            hyper += hyperviscousFactor(k2, params.hyperOrder) * k2 * value * value;
        }
    });
    EnergyBudget budget{.energy = energy,
                        .viscous = 2.0 * enstrophy / static_cast<double>(reynolds),
                        .hyperviscous = 2.0 * params.hyperviscosity * hyper,
                        .drag = 2.0 * params.drag * energy};
    if (params.forcing == ForcingKind::stripes) {
        budget.injection = -2.0 * stripesCoefficient(params) * psi[grid.modeEntries(0, params.forcingWaveNumber).real];
    } else if (params.forcing == ForcingKind::ring) {
        budget.injection = params.injectionRate;
    }
    return budget;
}

double smallScaleEnstrophyLoss(const PackedSpectrum& psi, int reynolds, const PhysicsParams& params) {
    const Grid& grid = psi.grid();
    double viscous = 0.0;
    double hyper = 0.0;
    const bool withHyper = params.hyperviscosity != 0.0;
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const double value = psi[grid.entryIndex(row, column)];
        const double k2 = static_cast<double>(kSquared);
        const double entryEnstrophy = k2 * k2 * value * value;
        viscous += k2 * entryEnstrophy;
        if (withHyper) {
            hyper += hyperviscousFactor(k2, params.hyperOrder) * entryEnstrophy;
        }
    });
    return 2.0 * viscous / static_cast<double>(reynolds) + 2.0 * params.hyperviscosity * hyper;
}

double budgetResidual(const EnergyBudget& start, const EnergyBudget& end, double dt) {
    return (end.energy - start.energy) / dt - 0.5 * (start.net() + end.net());
}

}  // namespace swirlon
