// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/stable_frame.h"

#include <cmath>

#include "solver/diagnostics.h"
#include "solver/time_step.h"

namespace swirlon {
namespace {

// Largest stability number a sub-step may have. RK4 is stable on the imaginary axis up to
// 2.83; the estimate dt*42*max(|u| + |v|) bounds |k.u| from above, and on the five hardest
// start pictures we tried (discs and half planes of full-strength colour) energy first grew
// with a bound between 3.2 and 4. Half of that leaves room for the speed to grow inside a frame.
constexpr double SafeStabilityNumber = 2.0;
// A frame never splits further than this: a state that needs more is beyond rescue, and the
// finiteness check below takes over.
constexpr int MaxSubSteps = 1024;

}  // namespace

int subStepsFor(double number) {
    if (!(number > SafeStabilityNumber)) {
        return 1;
    }
    const double needed = std::ceil(number / SafeStabilityNumber);
    return needed >= MaxSubSteps ? MaxSubSteps : static_cast<int>(needed);
}

FrameOutcome advanceFrame(FieldBank& bank, int reynolds, PackedSpectrum& rollback) {
    PackedSpectrum& psi = bank[Slot::psi];
    FrameOutcome outcome;
    if (!isBandFinite(psi)) {
        outcome.finite = false;
        return outcome;
    }
    rollback = psi;

    beginStep(bank);
    outcome.stabilityNumber = stabilityNumber(bank[Slot::velX], bank[Slot::velY], reynolds);
    outcome.subSteps = subStepsFor(outcome.stabilityNumber);

    // With one sub-step dt is exactly TimeStep and the frame is one plain step.
    const double dt = TimeStep / outcome.subSteps;
    finishStep(bank, reynolds, dt);
    for (int subStep = 1; subStep < outcome.subSteps && isBandFinite(psi); ++subStep) {
        stepRk4(bank, reynolds, dt);
    }

    if (!isBandFinite(psi)) {
        psi = rollback;
        // The failed step left non-finite grid velocities behind, and the speed picture reads them.
        beginStep(bank);
        outcome.finite = false;
    }
    return outcome;
}

}  // namespace swirlon
