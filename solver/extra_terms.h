// SPDX-License-Identifier: GPL-3.0-or-later
// Drag, hyperviscosity and forcing, applied to psi after every RK4 sub-step (a splitting that
// leaves the vector kernels of the step as they are).
//
// After a sub-step of length dt each band entry is multiplied by its exact decay
// exp(-(mu + nu_h K^(2p)) dt), then the forcing adds its increment:
// - stripes: the exact integral of the constant forcing against the mode's whole linear decay
//   a = nu k_f^2 + mu + nu_h k_f^(2p) over the sub-step, F (1 - exp(-a dt)) / a, so that the
//   laminar steady state F / a is a fixed point of the step to within RK4's error in exp;
// - ring: sqrt(dt) xi, xi Gaussian and drawn afresh every sub-step (white noise), with a
//   variance that makes the mean energy injected exactly epsilon dt, whatever dt.
#pragma once

#include <vector>

#include "solver/grid.h"
#include "solver/physics_params.h"

namespace swirlon {

class ExtraTerms {
  public:
    const PhysicsParams& params() const { return params_; }
    // Each value in the range its comment in solver/physics_params.h gives.
    void setParams(const PhysicsParams& params);
    const ForcingNoise& noise() const { return noise_; }
    void setNoise(const ForcingNoise& noise) { noise_ = noise; }

    bool active() const { return hasExtraTerms(params_); }

    // Applies the terms to psi after one sub-step of length dt at viscosity 1/reynolds. The
    // decay factors are tabulated per K^2 and kept while dt, the grid and the terms stay the
    // same, so a run of equal sub-steps pays for its exponentials once.
    void apply(PackedSpectrum& psi, int reynolds, double dt);

  private:
    void tabulateDecay(const Grid& grid, double dt);
    void addStripes(PackedSpectrum& psi, int reynolds, double dt) const;
    void addRingNoise(PackedSpectrum& psi, double dt);

    PhysicsParams params_;
    ForcingNoise noise_;
    // exp(-(mu + nu_h K^(2p)) dt) for K^2 = 0 .. 2 K_band^2, for decayStep_ on decayGrid_.
    std::vector<double> decay_;
    double decayStep_ = 0.0;
    Grid decayGrid_;
};

// sum over the stored ring modes of 1/K^2 (each counted once): the per-entry variance of the
// ring forcing's vorticity increment is epsilon dt / (2 * this).
double ringInverseKSquaredSum(int forcingWaveNumber);

// The omega coefficient of the stripes' forcing at (0, k_f), real: A k_f / 2 (the cosine's
// other half sits at (0, -k_f)).
double stripesCoefficient(const PhysicsParams& params);

}  // namespace swirlon
