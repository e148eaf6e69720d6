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
    double palinstrophy = 0.0;
    double hyper = 0.0;
    double hyperEnstrophy = 0.0;
    const bool withHyper = params.hyperviscosity != 0.0;
    // One pass, with the same sums in the same order as energy() and enstrophy().
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const double value = psi[grid.entryIndex(row, column)];
        const double k2 = static_cast<double>(kSquared);
        const double entryEnstrophy = k2 * k2 * value * value;
        energy += k2 * value * value;
        enstrophy += entryEnstrophy;
        palinstrophy += k2 * entryEnstrophy;
        if (withHyper) {
            const double factor = hyperviscousFactor(k2, params.hyperOrder);
            hyper += factor * k2 * value * value;
            hyperEnstrophy += factor * entryEnstrophy;
        }
    });
    EnergyBudget budget{.energy = energy,
                        .viscous = 2.0 * enstrophy / static_cast<double>(reynolds),
                        .hyperviscous = 2.0 * params.hyperviscosity * hyper,
                        .drag = 2.0 * params.drag * energy,
                        .smallScaleEnstrophyLoss = 2.0 * palinstrophy / static_cast<double>(reynolds) +
                                                   2.0 * params.hyperviscosity * hyperEnstrophy};
    if (params.forcing == ForcingKind::stripes) {
        budget.injection = -2.0 * stripesCoefficient(params) * psi[grid.modeEntries(0, params.forcingWaveNumber).real];
    } else if (params.forcing == ForcingKind::ring) {
        budget.injection = params.injectionRate;
    }
    return budget;
}

double budgetResidual(const EnergyBudget& start, const EnergyBudget& end, double dt) {
    return (end.energy - start.energy) / dt - 0.5 * (start.net() + end.net());
}

}  // namespace swirlon
