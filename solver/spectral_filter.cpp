// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/spectral_filter.h"

#include <array>
#include <cmath>
#include <limits>

namespace swirlon {
namespace {

constexpr int CutoffSquared = FilterCutoff * FilterCutoff;
constexpr int EdgeKSquared = BandLimit * BandLimit;

// Factors by folded wave numbers: factors[b][a] for |ky| = b, |kx| = a; and for each b the
// smallest a whose entry lies above the cutoff, so the filter loop never tests a mode.
struct FilterTable {
    std::array<std::array<double, BandLimit + 1>, BandLimit + 1> factors{};
    std::array<int, BandLimit + 1> firstFiltered{};
};

double factorOf(int kSquared) {
    if (kSquared <= CutoffSquared) {
        return 1.0;
    }
    // Beyond the circle the factor would fall below machine precision, and further out into
    // the subnormal range, where every arithmetic operation on it is slow; zero is as good.
    if (kSquared > EdgeKSquared) {
        return 0.0;
    }
    // alpha = -ln(epsilon) puts the factor at epsilon on the circle |k| = BandLimit.
    const double alpha = -std::log(std::numeric_limits<double>::epsilon());
    const double distance = (std::sqrt(static_cast<double>(kSquared)) - FilterCutoff) / (BandLimit - FilterCutoff);
    return std::exp(-alpha * std::pow(distance, FilterOrder));
}

FilterTable buildTable() {
    FilterTable table;
    for (int b = 0; b <= BandLimit; ++b) {
        table.firstFiltered[b] = BandLimit + 1;
        for (int a = BandLimit; a >= 0; --a) {
            table.factors[b][a] = factorOf(a * a + b * b);
            if (a * a + b * b > CutoffSquared) {
                table.firstFiltered[b] = a;
            }
        }
    }
    return table;
}

const FilterTable& filterTable() {
    static const FilterTable table = buildTable();
    return table;
}

}  // namespace

double spectralFilterFactor(int kSquared) { return factorOf(kSquared); }

void applySpectralFilter(PackedSpectrum& psi) {
    const FilterTable& table = filterTable();
    for (int row = 0; row < GridSize; ++row) {
        if (!isBandIndex(row)) {
            continue;
        }
        const int b = foldedWaveNumber(row);
        const auto& factors = table.factors[b];
        double* line = psi.data() + entryIndex(row, 0);
        // Column a holds the real part and column GridSize - a the imaginary part of the same
        // coefficient; column 0 is the kx = 0 line, whose row already carries |ky|.
        for (int a = table.firstFiltered[b]; a <= BandLimit; ++a) {
            line[a] *= factors[a];
            if (a > 0) {
                line[GridSize - a] *= factors[a];
            }
        }
    }
}

}  // namespace swirlon
