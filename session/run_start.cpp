// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/run_start.h"

#include <memory>

#include "session/saved_run.h"
#include "solver/step_threads.h"

namespace swirlon {
namespace {

// The terms a run goes with: each one the choices give, else the one the start field brought.
PhysicsParams chosenPhysics(const RunChoices& choices, PhysicsParams brought) {
    const TermChoices& terms = choices.terms;
    brought.forcing = terms.forcing.value_or(brought.forcing);
    brought.forcingWaveNumber = terms.forcingWaveNumber.value_or(brought.forcingWaveNumber);
    brought.forcingAmplitude = terms.forcingAmplitude.value_or(brought.forcingAmplitude);
    brought.injectionRate = terms.injectionRate.value_or(brought.injectionRate);
    brought.drag = terms.drag.value_or(brought.drag);
    brought.hyperviscosity = terms.hyperviscosity.value_or(brought.hyperviscosity);
    brought.hyperOrder = terms.hyperOrder.value_or(brought.hyperOrder);
    return brought;
}

// A field that brings its own grid sets the run's, unless the choices name one.
void takeFieldGrid(Simulation& simulation, const Grid& fieldGrid, const RunChoices& choices) {
    if (!choices.grid) {
        simulation.setGrid(fieldGrid);
    }
}

void chooseThreads(Simulation& simulation, const RunChoices& choices) {
    simulation.setThreads(choices.threads.value_or(defaultStepThreads(simulation.grid())));
}

}  // namespace

Grid chosenGrid(const RunChoices& choices) { return Grid(choices.grid.value_or(DefaultGridSize)); }

FrameSettings chosenFrameSettings(const RunChoices& choices) {
    return FrameSettings{.stabilityLimit = choices.stabilityLimit.value_or(SafeStabilityNumber),
                         .filter = choices.filter.value_or(false)};
}

void startFromPreset(Simulation& simulation, const Preset& preset, const RunChoices& choices) {
    auto psi = std::make_unique<PackedSpectrum>(simulation.grid());
    preset.build(*psi, choices.seed);
    // A preset made to run forced brings its terms and Reynolds number.
    simulation.setReynolds(choices.reynolds.value_or(preset.reynolds > 0 ? preset.reynolds : DefaultRunReynolds));
    simulation.setPhysics(chosenPhysics(choices, preset.physics));
    simulation.setForcingNoise({.seed = choices.seed});
    simulation.setState(*psi);
    chooseThreads(simulation, choices);
}

void startFromVorticity(Simulation& simulation, const PackedSpectrum& gridVorticity, const RunChoices& choices) {
    simulation.setReynolds(choices.reynolds.value_or(DefaultRunReynolds));
    takeFieldGrid(simulation, gridVorticity.grid(), choices);
    simulation.setPhysics(chosenPhysics(choices, PhysicsParams{}));
    simulation.setForcingNoise({.seed = choices.seed});
    simulation.setStateFromVorticity(gridVorticity);
    chooseThreads(simulation, choices);
}

void continueFromState(Simulation& simulation, const PackedSpectrum& psi, const RunClock& clock,
                       const RunChoices& choices) {
    simulation.setReynolds(choices.reynolds.value_or(DefaultRunReynolds));
    takeFieldGrid(simulation, psi.grid(), choices);
    continueSavedRun(
        simulation, psi, clock,
        ExplicitSettings{
            .reynolds = choices.reynolds, .filter = choices.filter, .stabilityLimit = choices.stabilityLimit});
    // Each term given outweighs the file's; an unforced file starts the generator from the seed.
    simulation.setPhysics(chosenPhysics(choices, clock.physics));
    if (!hasExtraTerms(clock.physics)) {
        simulation.setForcingNoise({.seed = choices.seed});
    }
    chooseThreads(simulation, choices);
}

}  // namespace swirlon
