// SPDX-License-Identifier: GPL-3.0-or-later
// Moving a field between grids by spectral interpolation: a band-limited field is the same
// function on every grid whose band holds its modes.
#pragma once

#include "solver/grid.h"

namespace swirlon {

// The spectrum on grid `to` of the field whose packed spectrum on its own grid is `spectrum`:
// onto a finer grid every band entry keeps its value and the new modes are zero (the same
// field, exactly); onto a coarser one the modes outside the coarser band are dropped. The mean
// entry is carried; entries outside the band of either grid are zero in the result.
PackedSpectrum regridSpectrum(const PackedSpectrum& spectrum, const Grid& to);

}  // namespace swirlon
