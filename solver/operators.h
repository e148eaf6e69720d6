// SPDX-License-Identifier: GPL-3.0-or-later
// Band operators on packed spectra: truncation, the Laplacian and its inverse, the derivative
// spectra of the stream function and the grid product that forms the advection term.
#pragma once

#include "solver/grid.h"
#include "solver/step_scratch.h"

namespace swirlon {

// dst = band of src with zero mean, zeros elsewhere. dst and src must be distinct arrays.
void copyBand(PackedSpectrum& dst, const PackedSpectrum& src);
// Band entries times -(kx^2 + ky^2); the mean entry becomes zero, the rest is left alone.
void multiplyByMinusK2(PackedSpectrum& spectrum);
// Band entries divided by -(kx^2 + ky^2) (the Poisson solve); the mean entry is set to zero.
void divideByMinusK2(PackedSpectrum& spectrum);
// velX, velY, gradX, gradY of the scratch = spectra of u = -dpsi/dy, v = dpsi/dx, domega/dx,
// domega/dy, from the band of psi less its mean; every entry of the four slots is written.
void computeDerivatives(const PackedSpectrum& psi, StepScratch& scratch);
// advection = gradY*velY + gradX*velX at every grid point (u*domega/dx + v*domega/dy).
void formAdvection(StepScratch& scratch);
// The same on the grid rows firstRow..lastRow - 1 only, so threads can share the product.
void formAdvectionRows(StepScratch& scratch, int firstRow, int lastRow);

}  // namespace swirlon

namespace swirlon {

// Grid vorticity in, stream-function spectrum out, in place: the forward transform and the
// Poisson solve. Outside the band the array keeps the transform's values, which nobody reads.
void streamFunctionFromVorticity(PackedSpectrum& field);

// Grid vorticity of the band of psi less its mean: the Laplacian and the inverse transform.
// psi and vorticity must be distinct arrays.
void vorticityFromStreamFunction(const PackedSpectrum& psi, PackedSpectrum& vorticity);

}  // namespace swirlon
