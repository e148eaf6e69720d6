// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/spectral_filter.h"

#include <cmath>
#include <limits>
#include <vector>

namespace swirlon {
namespace {

// Factors by folded wave numbers: factor(b, a) for |ky| = b, |kx| = a; and for each b the
// smallest a whose entry lies above the cutoff, so the filter loop never tests a mode.
struct FilterTable {
    explicit FilterTable(const Grid& grid);

    int bandLimit;
    std::vector<double> factors;
    std::vector<int> firstFiltered;

    const double* factorsOfRow(int b) const { return factors.data() + b * (bandLimit + 1); }
};

double factorOf(const Grid& grid, int kSquared) {
    const int cutoff = filterCutoff(grid);
    const int bandLimit = grid.bandLimit();
    if (kSquared <= cutoff * cutoff) {
        return 1.0;
    }
    // Beyond the circle the factor would fall below machine precision, and further out into
    // the subnormal range, where every arithmetic operation on it is slow; zero is as good.
    if (kSquared > bandLimit * bandLimit) {
        return 0.0;
    }
    // alpha = -ln(epsilon) puts the factor at epsilon on the circle |k| = K.
    const double alpha = -std::log(std::numeric_limits<double>::epsilon());
    const double distance = (std::sqrt(static_cast<double>(kSquared)) - cutoff) / (bandLimit - cutoff);
    return std::exp(-alpha * std::pow(distance, FilterOrder));
}

FilterTable::FilterTable(const Grid& grid)
    : bandLimit(grid.bandLimit()),
      factors(static_cast<std::size_t>((bandLimit + 1) * (bandLimit + 1))),
      firstFiltered(static_cast<std::size_t>(bandLimit + 1)) {
    const int cutoffSquared = filterCutoff(grid) * filterCutoff(grid);
    for (int b = 0; b <= bandLimit; ++b) {
        firstFiltered[b] = bandLimit + 1;
        for (int a = bandLimit; a >= 0; --a) {
            factors[b * (bandLimit + 1) + a] = factorOf(grid, a * a + b * b);
            if (a * a + b * b > cutoffSquared) {
                firstFiltered[b] = a;
            }
        }
    }
}

const FilterTable& filterTable(const Grid& grid) {
    static const FilterTable tables[] = {
        FilterTable(Grid(SupportedGridSizes[0])), FilterTable(Grid(SupportedGridSizes[1])),
        FilterTable(Grid(SupportedGridSizes[2])), FilterTable(Grid(SupportedGridSizes[3]))};
    static_assert(std::size(tables) == SupportedGridSizes.size());
    for (const FilterTable& table : tables) {
        if (table.bandLimit == grid.bandLimit()) {
            return table;
        }
    }
    return tables[0];
}

}  // namespace

double spectralFilterFactor(const Grid& grid, int kSquared) { return factorOf(grid, kSquared); }

double applySpectralFilter(PackedSpectrum& psi) {
    const Grid& grid = psi.grid();
    const int n = grid.size();
    const FilterTable& table = filterTable(grid);
    double removed = 0.0;
    // Each entry's share of the enstrophy is K^4 * entry^2, as enstrophy() sums it.
    const auto damp = [&removed](double& entry, double factor, double kToTheFourth) {
        const double before = entry;
        entry *= factor;
        removed += kToTheFourth * (before * before - entry * entry);
    };
    for (int row = 0; row < n; ++row) {
        if (!grid.isBandIndex(row)) {
            continue;
        }
        const int b = grid.foldedWaveNumber(row);
        const double* factors = table.factorsOfRow(b);
        double* line = psi.data() + grid.entryIndex(row, 0);
        // Column a holds the real part and column n - a the imaginary part of the same
        // coefficient; column 0 is the kx = 0 line, whose row already carries |ky|.
        for (int a = table.firstFiltered[b]; a <= grid.bandLimit(); ++a) {
            const double kSquared = static_cast<double>(a * a + b * b);
            damp(line[a], factors[a], kSquared * kSquared);
            if (a > 0) {
                damp(line[n - a], factors[a], kSquared * kSquared);
            }
        }
    }
    return removed;
}

}  // namespace swirlon
