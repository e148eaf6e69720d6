// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/spectra.h"

#include <cmath>

namespace swirlon {

// Each stored entry stands for itself and its conjugate partner, so, as in the diagnostics,
// a mode's energy is K^2 * entry^2 and its enstrophy K^4 * entry^2 (no factor 1/2 left over).
int largestShell(const Grid& grid) {
    return static_cast<int>(std::lround(std::sqrt(static_cast<double>(grid.largestKSquared()))));
}

ShellSpectra shellSpectra(const PackedSpectrum& psi) {
    const Grid& grid = psi.grid();
    const auto shells = static_cast<std::size_t>(largestShell(grid) + 1);
    ShellSpectra spectra{std::vector<double>(shells, 0.0), std::vector<double>(shells, 0.0)};
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const double value = psi[grid.entryIndex(row, column)];
        const double k2 = static_cast<double>(kSquared);
        const auto shell = static_cast<std::size_t>(std::lround(std::sqrt(k2)));
        spectra.energy[shell] += k2 * value * value;
        spectra.enstrophy[shell] += k2 * k2 * value * value;
    });
    return spectra;
}

double edgeEnstrophyShare(const PackedSpectrum& psi) {
    const Grid& grid = psi.grid();
    const int edgeKSquared = edgeWaveNumber(grid) * edgeWaveNumber(grid);
    double edge = 0.0;
    double total = 0.0;
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const double value = psi[grid.entryIndex(row, column)];
        const double k2 = static_cast<double>(kSquared);
        const double modeEnstrophy = k2 * k2 * value * value;
        total += modeEnstrophy;
        if (kSquared > edgeKSquared) {
            edge += modeEnstrophy;
        }
    });
    return total == 0.0 ? 0.0 : edge / total;
}

double filterEnstrophyShare(double filtered, double dissipated) {
    const double lost = filtered + dissipated;
    return lost > 0.0 ? filtered / lost : 0.0;
}

}  // namespace swirlon
