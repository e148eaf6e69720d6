// SPDX-License-Identifier: GPL-3.0-or-later
#include "solver/stable_frame.h"

#include <cmath>

#include "solver/diagnostics.h"
#include "solver/extra_terms.h"
#include "solver/spectral_filter.h"
#include "solver/time_step.h"

namespace swirlon {
namespace {

// A frame never splits further than this: a state that needs more is beyond rescue, and the
// finiteness check below takes over.
constexpr int MaxSubSteps = 1024;

}  // namespace

int subStepsFor(double number, double limit) {
    if (!(number > limit)) {
        return 1;
    }
    const double needed = std::ceil(number / limit);
    return needed >= MaxSubSteps ? MaxSubSteps : static_cast<int>(needed);
}

FrameOutcome advanceFrame(FlowState& state, StepScratch& scratch, int reynolds, PackedSpectrum& rollback,
                          const FrameSettings& settings, ExtraTerms* extra, ParallelStep* parallel) {
    PackedSpectrum& psi = state.psi;
    // Nothing beyond the plain step runs unless a term is on, so such a frame is today's bit for bit.
    ExtraTerms* const terms = extra != nullptr && extra->active() ? extra : nullptr;
    FrameOutcome outcome;
    if (!isBandFinite(psi)) {
        outcome.finite = false;
        return outcome;
    }
    rollback = psi;
    const ForcingNoise noiseAtStart = terms != nullptr ? terms->noise() : ForcingNoise{};

    beginStep(psi, scratch, parallel);
    outcome.stabilityNumber = stabilityNumber(scratch[Slot::velX], scratch[Slot::velY], reynolds);
    outcome.subSteps = subStepsFor(outcome.stabilityNumber, settings.stabilityLimit);

    // With one sub-step dt is exactly TimeStep and the frame is one plain step.
    const double dt = TimeStep / outcome.subSteps;
    finishStep(psi, scratch, reynolds, dt, parallel);
    if (terms != nullptr) {
        terms->apply(psi, reynolds, dt);
    }
    if (settings.filter) {
        outcome.filteredEnstrophy += applySpectralFilter(psi);
    }
    for (int subStep = 1; subStep < outcome.subSteps && isBandFinite(psi); ++subStep) {
        stepRk4(psi, scratch, reynolds, dt, parallel);
        if (terms != nullptr) {
            terms->apply(psi, reynolds, dt);
        }
        if (settings.filter) {
            outcome.filteredEnstrophy += applySpectralFilter(psi);
        }
    }

    if (!isBandFinite(psi)) {
        psi = rollback;
        if (terms != nullptr) {
            terms->setNoise(noiseAtStart);
        }
        // The failed step left non-finite grid velocities behind, and the speed picture reads them.
        beginStep(psi, scratch, parallel);
        outcome.finite = false;
        return outcome;
    }
    ++state.frames;
    return outcome;
}

}  // namespace swirlon
