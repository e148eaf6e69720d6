// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/regrid.h"

#include <algorithm>

namespace swirlon {

// Both grids store a mode at the row and column of its signed wave numbers (the imaginary
// columns of kx >= 1 at -kx, the imaginary rows of column 0 at -ky), and their spectra carry
// the same normalisation, so each entry moves by its two signed indices.
PackedSpectrum regridSpectrum(const PackedSpectrum& spectrum, const Grid& to) {
    const Grid& from = spectrum.grid();
    PackedSpectrum result(to);
    const int bandLimit = std::min(from.bandLimit(), to.bandLimit());
    for (int ky = -bandLimit; ky <= bandLimit; ++ky) {
        for (int kx = -bandLimit; kx <= bandLimit; ++kx) {
            result[to.entryIndex(to.bandIndex(ky), to.bandIndex(kx))] =
                spectrum[from.entryIndex(from.bandIndex(ky), from.bandIndex(kx))];
        }
    }
    return result;
}

}  // namespace swirlon
