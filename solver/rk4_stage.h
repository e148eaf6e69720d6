// SPDX-License-Identifier: GPL-3.0-or-later
// The Runge-Kutta stage on the band, written once: from a stage's advection spectrum, the
// right-hand side's increment dt * (advection / K^2 - nu * K^2 * psi) and the next stage state, or
// after the fourth stage the classical combination. Generic over a vector type (solver/vector_ops.h):
// the straightforward step applies it one entry at a time (OneLane), the vector kernels Lanes
// entries at a time, so both paths do the same arithmetic in the same order.
#pragma once

#include "solver/step_scratch.h"
#include "solver/vector_ops.h"

namespace swirlon {
namespace {

// The double nearest 1/6, applied as a multiplication in the final combination.
constexpr double OneSixth = 0.16666666666666666;
// Stage states psiBase + weight * increment after stages one to three.
constexpr double StageWeights[3] = {0.5, 0.5, 1.0};
// The weight of the middle stages' increments in the combination.
constexpr double MiddleIncrementWeight = 2.0;

// What one stage does with the advection spectrum on each band entry.
struct StageUpdate {
    int stage;  // 0..3
    double nu;
    double dt;
};

// At the band entries at..at + Lanes - 1 of psi and of the scratch (k2 their K^2): increment =
// (advection / K^2 - nu * K^2 * psi) * dt into the stage's slot; then psi becomes the next stage
// state (weight * increment + base) or, after the last stage, ((rk3 + rk2) * 2 + rk1 + rk4) / 6 +
// base. Lanes outside the mask keep what their entries held.
template <VectorOps W>
[[gnu::always_inline]] SWIRLON_SIMD inline void updateEntries(double* psi, StepScratch& scratch, const StageUpdate& u,
                                                              int at, typename W::Vec advection, typename W::Vec k2,
                                                              typename W::Vec mask) {
    using Vec = typename W::Vec;
    constexpr Slot Increments[4] = {Slot::rk1, Slot::rk2, Slot::rk3, Slot::rk4};
    double* psiAt = psi + at;
    double* increment = scratch[Increments[u.stage]].data() + at;
    const Vec oldPsi = W::load(psiAt);
    const Vec viscous = W::mul(W::mul(W::set1(u.nu), k2), oldPsi);
    const Vec inc = W::mul(W::sub(W::div(advection, k2), viscous), W::set1(u.dt));
    W::store(increment, W::select(mask, inc, W::load(increment)));
    const Vec base = W::load(scratch[Slot::psiBase].data() + at);
    Vec next;
    if (u.stage < 3) {
        next = W::add(W::mul(W::set1(StageWeights[u.stage]), inc), base);
    } else {
        const Vec k1v = W::load(scratch[Slot::rk1].data() + at);
        const Vec k2v = W::load(scratch[Slot::rk2].data() + at);
        const Vec k3v = W::load(scratch[Slot::rk3].data() + at);
        const Vec twice = W::mul(W::add(k3v, k2v), W::set1(MiddleIncrementWeight));
        next = W::add(W::mul(W::add(W::add(twice, k1v), inc), W::set1(OneSixth)), base);
    }
    W::store(psiAt, W::select(mask, next, oldPsi));
}

}  // namespace
}  // namespace swirlon
