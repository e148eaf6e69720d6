// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the solver tests: fields sampled from integer phases, single Fourier
// modes written straight into the packed layout, and random band-limited states.
#pragma once

#include <cmath>
#include <complex>
#include <numbers>
#include <random>

#include "solver/grid.h"

namespace swirlon::testing {

// Angle of the integer phase p on a grid of n points: 2*pi*(p mod n)/n. Reducing the phase
// first keeps sampled trigonometric fields accurate to ~1e-16 however large the wave numbers.
inline double phaseAngle(long phase, int n = DefaultGridSize) {
    const long reduced = ((phase % n) + n) % n;
    return 2.0 * std::numbers::pi * static_cast<double>(reduced) / n;
}

template <typename F>
PackedSpectrum sampleGrid(F&& f, Grid grid = Grid{}) {
    PackedSpectrum field(grid);
    for (int y = 0; y < grid.size(); ++y) {
        for (int x = 0; x < grid.size(); ++x) {
            field[grid.entryIndex(y, x)] = f(x, y);
        }
    }
    return field;
}

// Every entry uniform in [-1, 1): a grid field, or a spectrum with junk outside the band.
inline PackedSpectrum randomField(unsigned seed, Grid grid = Grid{}) {
    std::mt19937 generator(seed);
    std::uniform_real_distribution<double> uniform(-1.0, 1.0);
    PackedSpectrum field(grid);
    for (double& value : field) {
        value = uniform(generator);
    }
    return field;
}

// One classical RK4 step of dpsi/dt = lambda*psi multiplies psi by R(lambda*dt).
inline double rk4Factor(double z) { return 1.0 + z + z * z / 2.0 + z * z * z / 6.0 + z * z * z * z / 24.0; }

// Adds c to F(kx, ky) (and so conj(c) to F(-kx, -ky)) for a band wave vector other than (0, 0).
inline void addMode(PackedSpectrum& spectrum, int kx, int ky, std::complex<double> c) {
    if (kx < 0 || (kx == 0 && ky < 0)) {
        kx = -kx;
        ky = -ky;
        c = std::conj(c);
    }
    const Grid::ModeEntries at = spectrum.grid().modeEntries(kx, ky);
    spectrum[at.real] += c.real();
    spectrum[at.imaginary] += c.imag();
}

// F(kx, ky) of a packed spectrum, for any band wave vector other than (0, 0).
inline std::complex<double> modeOf(const PackedSpectrum& spectrum, int kx, int ky) {
    const bool mirrored = kx < 0 || (kx == 0 && ky < 0);
    if (mirrored) {
        kx = -kx;
        ky = -ky;
    }
    const Grid::ModeEntries at = spectrum.grid().modeEntries(kx, ky);
    const std::complex<double> c{spectrum[at.real], spectrum[at.imaginary]};
    return mirrored ? std::conj(c) : c;
}

// A random stream function on the band with entries of size amplitude * K^-power: power 3 and
// amplitude 1 give a turbulent field whose frames need sub-steps, amplitude 0.05 a gentle one.
// The mean entry and everything outside the band are zero.
inline void fillRandomBand(PackedSpectrum& psi, unsigned seed, double power = 3.0, double amplitude = 1.0) {
    std::mt19937 generator(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    const Grid& grid = psi.grid();
    psi.fill(0.0);
    grid.forEachBandEntryButMean([&](int row, int column, int kSquared) {
        psi[grid.entryIndex(row, column)] =
            amplitude * normal(generator) * std::pow(static_cast<double>(kSquared), -power / 2.0);
    });
}

}  // namespace swirlon::testing
