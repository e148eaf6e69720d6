// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/diagnostics.h"

#include <algorithm>
#include <cmath>

namespace swirlon {
namespace {

// Each stored entry of a coefficient stands for it and its conjugate partner, so with the
// forward transform's 1/N^2 the mean of |d^p psi|^2 over the grid is 2 * sum K^(2p) * entry^2.
// The band holds no Nyquist line, so no entry is self-conjugate but the mean, which K^2 = 0 drops.
double halfMeanSquare(const PackedSpectrum& psi, int powerOfK2) {
    const Grid& grid = psi.grid();
    double sum = 0.0;
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const double value = psi[grid.entryIndex(row, column)];
        sum += std::pow(static_cast<double>(kSquared), powerOfK2) * value * value;
    });
    return sum;
}

}  // namespace

double energy(const PackedSpectrum& psi) { return halfMeanSquare(psi, 1); }
double enstrophy(const PackedSpectrum& psi) { return halfMeanSquare(psi, 2); }
double palinstrophy(const PackedSpectrum& psi) { return halfMeanSquare(psi, 3); }

bool isBandFinite(const PackedSpectrum& psi) {
    const Grid& grid = psi.grid();
    bool finite = true;
    grid.forEachBandEntry(
        [&](int row, int column, int) { finite = finite && std::isfinite(psi[grid.entryIndex(row, column)]); });
    return finite;
}

double advectiveStabilityNumber(const PackedSpectrum& velXGrid, const PackedSpectrum& velYGrid) {
    double fastest = 0.0;
    const int points = velXGrid.grid().points();
    for (int k = 0; k < points; ++k) {
        // NaN compares false: std::max would drop it, so keep it explicitly.
        const double speed = std::fabs(velXGrid[k]) + std::fabs(velYGrid[k]);
        if (!(speed <= fastest)) {
            fastest = speed;
        }
    }
    return TimeStep * velXGrid.grid().bandLimit() * fastest;
}

double viscousStabilityNumber(const Grid& grid, int reynolds) {
    return TimeStep * grid.largestKSquared() / static_cast<double>(reynolds);
}

double stabilityNumber(const PackedSpectrum& velXGrid, const PackedSpectrum& velYGrid, int reynolds) {
    return advectiveStabilityNumber(velXGrid, velYGrid) + viscousStabilityNumber(velXGrid.grid(), reynolds);
}

double largestMagnitude(const PackedSpectrum& field) {
    double largest = 0.0;
    for (const double value : field) {
        largest = std::max(largest, std::fabs(value));
    }
    return largest;
}

}  // namespace swirlon
