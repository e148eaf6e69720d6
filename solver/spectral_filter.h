// SPDX-License-Identifier: GPL-3.0-or-later
// The optional small-scale filter: an exponential damping of the outer band of psi that stands
// in for the dissipation a grid cannot resolve at high Reynolds numbers.
#pragma once

#include "solver/grid.h"

namespace swirlon {

// Modes with |k| = sqrt(kx^2 + ky^2) at most this are left exactly as they are: two thirds of
// the band limit K (14, 28, 56, 113), the scales that carry the flow's structure.
constexpr int filterCutoff(const Grid& grid) { return 2 * grid.bandLimit() / 3; }
// Order p of the factor exp(-alpha ((|k| - cutoff) / (K - cutoff))^p): it joins 1 at the
// cutoff with its first p - 1 derivatives zero, and a high order keeps the damping out of the
// modes just above the cutoff.
inline constexpr int FilterOrder = 8;

// The factor applied to a band entry with kx^2 + ky^2 = kSquared (0 <= kSquared <= 2 K^2):
// exactly 1 up to the cutoff, the double machine epsilon on the circle |k| = K inscribed in
// the band square, and 0 in the square's corners beyond it. The filter is round, so that it
// damps a scale the same way in every direction.
double spectralFilterFactor(const Grid& grid, int kSquared);

// Multiplies every band entry of psi above the cutoff by its factor; entries at or below the
// cutoff and outside the band are not touched. The factors are tabulated once per grid size;
// the filter allocates nothing after its first use at a size. Returns the enstrophy it removed,
// in the measure of enstrophy(psi) (solver/diagnostics.h).
double applySpectralFilter(PackedSpectrum& psi);

}  // namespace swirlon
