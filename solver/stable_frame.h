// SPDX-License-Identifier: GPL-3.0-or-later
// One displayed frame: exactly TimeStep of simulated time, split into equal RK4 sub-steps when
// the state is too fast (or too viscous) for one explicit step to stay stable.
#pragma once

#include "solver/grid.h"

namespace swirlon {

struct FrameOutcome {
    // Equal sub-steps of TimeStep / subSteps that the frame took.
    int subSteps = 1;
    // Stability number of the state at the start of the frame, for one step of TimeStep.
    double stabilityNumber = 0.0;
    // False when the frame produced a non-finite value in the band of psi; the state was then
    // put back as it was at the start of the frame.
    bool finite = true;
};

// Equal sub-steps a frame takes at the given stability number (of one step of TimeStep): the
// fewest that bring each sub-step's number to 2.0 or below, never more than 1024.
int subStepsFor(double number);

// Advances psi by TimeStep at viscosity 1/reynolds. rollback is caller-owned storage for the
// state at the start of the frame. After the frame, velX and velY hold grid velocities of a
// finite state. With subSteps == 1 the result is bit for bit one stepRk4(bank, reynolds).
FrameOutcome advanceFrame(FieldBank& bank, int reynolds, PackedSpectrum& rollback);

}  // namespace swirlon
