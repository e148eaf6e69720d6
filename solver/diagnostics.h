// SPDX-License-Identifier: GPL-3.0-or-later
// Diagnostics of the flow, pure functions of the stream-function spectrum psi (its band, less
// the mean entry), computed spectrally by Parseval's relation.
#pragma once

#include "solver/grid.h"

namespace swirlon {

// E = 1/2 <u^2 + v^2>
double energy(const PackedSpectrum& psi);
// Z = 1/2 <omega^2>
double enstrophy(const PackedSpectrum& psi);
// P = 1/2 <|grad omega|^2>
double palinstrophy(const PackedSpectrum& psi);
// Whether every band entry of psi is finite.
bool isBandFinite(const PackedSpectrum& psi);

// TimeStep * K * max(|u| + |v|) over grid velocities, K the grid's band limit: the advective
// stability number of one explicit step. A finer grid holds larger wave numbers, so the same
// flow needs shorter steps there.
double advectiveStabilityNumber(const PackedSpectrum& velXGrid, const PackedSpectrum& velYGrid);
// TimeStep * nu * largest K^2 of the grid's band: the viscous stability number of one explicit step.
double viscousStabilityNumber(const Grid& grid, int reynolds);
// Advective plus viscous number. Advective eigenvalues lie on the imaginary axis and viscous
// ones on the negative real axis; the sum bounds the size of any combined eigenvalue.
double stabilityNumber(const PackedSpectrum& velXGrid, const PackedSpectrum& velYGrid, int reynolds);

// max |value| over a grid field.
double largestMagnitude(const PackedSpectrum& field);

}  // namespace swirlon
