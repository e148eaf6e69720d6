// SPDX-License-Identifier: GPL-3.0-or-later
// The terms a run may add to the plain vorticity equation,
//   d(omega)/dt + u.grad(omega) = nu lap(omega) - mu omega - nu_h (-lap)^p omega + F,
// each off (zero) by default, so that a run without them is the plain equation bit for bit.
#pragma once

#include <cstdint>

#include "solver/grid.h"

namespace swirlon {

enum class ForcingKind : std::int64_t {
    none = 0,
    // Steady stripes F = A k_f cos(k_f y): the curl of the body force -A sin(k_f y) along x.
    stripes = 1,
    // Gaussian forcing, white in time, on the ring k_f - 1 <= |k| <= k_f + 1, injecting energy
    // at the mean rate epsilon.
    ring = 2,
};

inline constexpr int DefaultForcingWaveNumber = 4;
// The forcing must stay inside the band of every grid a run may move to, ring included: the
// coarsest band ends at 21, so the ring's outer edge k_f + 1 may reach it.
inline constexpr int MaxForcingWaveNumber = Grid(SupportedGridSizes.front()).bandLimit() - 1;
inline constexpr double DefaultForcingAmplitude = 1.0;
inline constexpr double DefaultInjectionRate = 0.1;
inline constexpr int DefaultHyperOrder = 2;
// (-lap)^8 at the corner of the finest band, 2 * 170^2, is about 1e36: far from overflow.
inline constexpr int MaxHyperOrder = 8;

struct PhysicsParams {
    ForcingKind forcing = ForcingKind::none;
    // k_f, 1..MaxForcingWaveNumber.
    int forcingWaveNumber = DefaultForcingWaveNumber;
    // A of the stripes, > 0; kept but unused by the other kinds.
    double forcingAmplitude = DefaultForcingAmplitude;
    // epsilon of the ring forcing, > 0; kept but unused by the other kinds.
    double injectionRate = DefaultInjectionRate;
    // mu >= 0: large-scale (linear) drag.
    double drag = 0.0;
    // nu_h >= 0 and its order p, 1..MaxHyperOrder.
    double hyperviscosity = 0.0;
    int hyperOrder = DefaultHyperOrder;

    bool operator==(const PhysicsParams&) const = default;
};

// Whether any term beyond the plain equation is on.
constexpr bool hasExtraTerms(const PhysicsParams& params) {
    return params.forcing != ForcingKind::none || params.drag != 0.0 || params.hyperviscosity != 0.0;
}

// Where the ring forcing's random numbers stand: draw n of the stream of seed is a pure
// function of (seed, n), so these two words are the generator's whole state and a run saved
// with them continues bit for bit.
struct ForcingNoise {
    std::uint64_t seed = 1;
    std::uint64_t draws = 0;

    bool operator==(const ForcingNoise&) const = default;
};

}  // namespace swirlon
