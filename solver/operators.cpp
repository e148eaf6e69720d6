// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/operators.h"

#include <algorithm>

namespace swirlon {

void copyBand(PackedSpectrum& dst, const PackedSpectrum& src) {
    const Grid& grid = src.grid();
    dst.fill(0.0);
    grid.forEachBandEntry([&](int row, int column, int) {
        const int at = grid.entryIndex(row, column);
        dst[at] = src[at];
    });
    dst[0] = 0.0;
}

void multiplyByMinusK2(PackedSpectrum& spectrum) {
    const Grid& grid = spectrum.grid();
    grid.forEachBandEntry([&](int row, int column, int kSquared) {
        const int at = grid.entryIndex(row, column);
        spectrum[at] = static_cast<double>(-kSquared) * spectrum[at];
    });
}

void divideByMinusK2(PackedSpectrum& spectrum) {
    const Grid& grid = spectrum.grid();
    spectrum[0] = 0.0;
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        const int at = grid.entryIndex(row, column);
        spectrum[at] = spectrum[at] / static_cast<double>(-kSquared);
    });
}

void computeDerivatives(const PackedSpectrum& psi, StepScratch& scratch) {
    const Grid& grid = psi.grid();
    const int n = grid.size();
    const int bandLimit = grid.bandLimit();
    PackedSpectrum& velX = scratch[Slot::velX];
    PackedSpectrum& velY = scratch[Slot::velY];
    PackedSpectrum& gradX = scratch[Slot::gradX];
    PackedSpectrum& gradY = scratch[Slot::gradY];
    velX.fill(0.0);
    velY.fill(0.0);
    gradX.fill(0.0);
    gradY.fill(0.0);

    // Each derivative is an imaginary factor i*w, which moves a coefficient's real part into
    // its imaginary entry and vice versa: every output is an integer times the partner entry.
    for (int row = 0; row < n; ++row) {
        if (!grid.isBandIndex(row)) {
            continue;
        }
        const int b = grid.foldedWaveNumber(row);
        const int ky = row <= bandLimit ? b : -b;
        for (int column = 1; column < n; ++column) {
            if (!grid.isBandIndex(column)) {
                continue;
            }
            const int a = grid.foldedWaveNumber(column);
            const int kSquared = a * a + b * b;
            // Real-part columns take +, imaginary-part columns - of the same factor.
            const int sign = column <= bandLimit ? 1 : -1;
            const double partner = psi[grid.entryIndex(row, n - column)];
            const int at = grid.entryIndex(row, column);
            velX[at] = static_cast<double>(sign * ky) * partner;
            velY[at] = static_cast<double>(-sign * a) * partner;
            gradX[at] = static_cast<double>(sign * a * kSquared) * partner;
            gradY[at] = static_cast<double>(sign * ky * kSquared) * partner;
        }
    }

    // Column 0 (kx = 0) is halfcomplex down the column: the partner is the mirrored row.
    for (int row = 1; row < n; ++row) {
        if (!grid.isBandIndex(row)) {
            continue;
        }
        const int b = grid.foldedWaveNumber(row);
        const int sign = row <= bandLimit ? 1 : -1;
        const double partner = psi[grid.entryIndex(n - row, 0)];
        const int at = grid.entryIndex(row, 0);
        velX[at] = static_cast<double>(sign * b) * partner;
        gradY[at] = static_cast<double>(sign * b * b * b) * partner;
    }
}

void formAdvection(StepScratch& scratch) { formAdvectionRows(scratch, 0, scratch.grid().size()); }

void formAdvectionRows(StepScratch& scratch, int firstRow, int lastRow) {
    const PackedSpectrum& velX = scratch[Slot::velX];
    const PackedSpectrum& velY = scratch[Slot::velY];
    const PackedSpectrum& gradX = scratch[Slot::gradX];
    const PackedSpectrum& gradY = scratch[Slot::gradY];
    PackedSpectrum& advection = scratch[Slot::advection];
    const int n = scratch.grid().size();
    for (int k = firstRow * n; k < lastRow * n; ++k) {
        advection[k] = gradY[k] * velY[k] + gradX[k] * velX[k];
    }
}

}  // namespace swirlon

#include "solver/fast_step.h"
#include "solver/fft.h"

namespace swirlon {

void streamFunctionFromVorticity(PackedSpectrum& field) {
    forwardRealFft2d(field.grid().size(), field.data());
    divideByMinusK2(field);
}

void vorticityFromStreamFunction(const PackedSpectrum& psi, PackedSpectrum& vorticity) {
    copyBand(vorticity, psi);
    multiplyByMinusK2(vorticity);
    // The vector transform gives the line-by-line transform's values bit for bit, at a fraction
    // of the cost of a picture drawn after every frame.
    bestFastKernels(psi.grid()).inverseRealFft2d(vorticity.data());
}

}  // namespace swirlon
