// SPDX-License-Identifier: GPL-3.0-or-later
// One displayed frame: exactly TimeStep of simulated time, split into equal RK4 sub-steps when
// the state is too fast (or too viscous) for one explicit step to stay stable.
#pragma once

#include "solver/flow_state.h"
#include "solver/grid.h"
#include "solver/step_scratch.h"
#include "solver/step_threads.h"

namespace swirlon {

class ExtraTerms;

struct FrameOutcome {
    // Equal sub-steps of TimeStep / subSteps that the frame took.
    int subSteps = 1;
    // Stability number of the state at the start of the frame, for one step of TimeStep.
    double stabilityNumber = 0.0;
    // False when the frame produced a non-finite value in the band of psi; the state was then
    // put back as it was at the start of the frame.
    bool finite = true;
    // Enstrophy the small-scale filter removed over the frame's sub-steps (0 without it).
    double filteredEnstrophy = 0.0;
};

// Largest stability number a sub-step may have by default. RK4 is stable on the imaginary
// axis up to 2.83; the estimate dt*42*max(|u| + |v|) bounds |k.u| from above, and on the five
// hardest start pictures we tried (discs and half planes of full-strength colour) energy first
// grew with a bound between 3.2 and 4. Half of that leaves room for the speed to grow inside a
// frame.
inline constexpr double SafeStabilityNumber = 2.0;
// The highest limit a run may ask for: just inside RK4's interval on the imaginary axis.
inline constexpr double MaxStabilityLimit = 2.8;

// How frames are taken. The defaults give the plain rule.
struct FrameSettings {
    // Largest stability number of a sub-step, 0 < limit <= MaxStabilityLimit. Lower limits take
    // more, shorter sub-steps, for accuracy rather than mere stability.
    double stabilityLimit = SafeStabilityNumber;
    // Whether the small-scale filter (solver/spectral_filter.h) follows every sub-step.
    bool filter = false;

    bool operator==(const FrameSettings&) const = default;
};

// Equal sub-steps a frame takes at the given stability number (of one step of TimeStep): the
// fewest that bring each sub-step's number to limit or below, never more than 1024.
int subStepsFor(double number, double limit = SafeStabilityNumber);

// Advances the state by one frame: psi by TimeStep at viscosity 1/reynolds and, when the frame
// goes through (finite), the clock by one frame. rollback is caller-owned storage for psi at the
// start of the frame. After the frame, velX and velY of the scratch hold grid velocities of a
// finite state. With subSteps == 1 and no filter psi is bit for bit one
// stepRk4(psi, scratch, reynolds). Active extra terms (drag, hyperviscosity, forcing) follow every
// sub-step, before the filter; a frame put back also puts back their random numbers. With
// parallel, the steps' passes are shared among its threads, with the same results.
FrameOutcome advanceFrame(FlowState& state, StepScratch& scratch, int reynolds, PackedSpectrum& rollback,
                          const FrameSettings& settings = {}, ExtraTerms* extra = nullptr,
                          ParallelStep* parallel = nullptr);

}  // namespace swirlon
