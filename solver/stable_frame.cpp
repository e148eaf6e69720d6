#include "solver/stable_frame.h"

#include <cmath>

#include "solver/diagnostics.h"
#include "solver/time_step.h"

namespace swirlon {
namespace {

// Largest stability number one RK4 sub-step is allowed. RK4 is stable on the imaginary axis up
// to 2.83 and on the negative real axis down to -2.79; the bound leaves room for the speed to
// grow inside the frame and for extremes that fall between grid points.
constexpr double SafeStabilityNumber = 1.5;
// A frame never splits further than this; past it the run is beyond rescue and the safety net
// takes over.
constexpr int MaxSubSteps = 1 << 12;

int subStepsFor(double stabilityNumber) {
    if (!(stabilityNumber > SafeStabilityNumber)) {
        return 1;
    }
    const double needed = std::ceil(stabilityNumber / SafeStabilityNumber);
    return needed >= MaxSubSteps ? MaxSubSteps : static_cast<int>(needed);
}

}  // namespace

FrameOutcome advanceFrame(FieldBank& bank, int reynolds, PackedSpectrum& rollback) {
    PackedSpectrum& psi = bank[Slot::psi];
    rollback = psi;

    FrameOutcome outcome;
    beginStep(bank);
    const double advective = advectiveStabilityNumber(bank[Slot::velX], bank[Slot::velY]);
    // Advective eigenvalues lie on the imaginary axis and viscous ones on the real axis; their
    // sum bounds the distance of any combined eigenvalue from the origin.
    outcome.stabilityNumber = advective + viscousStabilityNumber(reynolds);
    outcome.subSteps = subStepsFor(outcome.stabilityNumber);

    const double dt = TimeStep / outcome.subSteps;
    finishStep(bank, reynolds, dt);
    for (int subStep = 1; subStep < outcome.subSteps; ++subStep) {
        stepRk4(bank, reynolds, dt);
    }

    if (!isBandFinite(psi)) {
        psi = rollback;
        // The failed step left non-finite grid velocities; the speed picture reads them.
        beginStep(bank);
        outcome.finite = false;
    }
    return outcome;
}

}  // namespace swirlon
