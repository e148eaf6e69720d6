// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/saved_run.h"

namespace swirlon {

void continueSavedRun(Simulation& simulation, const PackedSpectrum& psi, const RunClock& clock,
                      const ExplicitSettings& chosen) {
    const bool recorded = recordsSettings(clock);
    if (chosen.reynolds) {
        simulation.setReynolds(*chosen.reynolds);
    } else if (recorded) {
        simulation.setReynolds(clock.reynolds);
    }
    FrameSettings settings = simulation.frameSettings();
    if (chosen.filter) {
        settings.filter = *chosen.filter;
    } else if (recorded) {
        settings.filter = clock.filter;
    }
    // A file without the member ran at the safe default, which the reader puts in the clock.
    settings.stabilityLimit = chosen.stabilityLimit.value_or(clock.stabilityLimit);
    simulation.setFrameSettings(settings);
    // A forced run goes on with its terms and its generator where it stopped; a file without
    // terms ran without them.
    simulation.setPhysics(clock.physics);
    if (hasExtraTerms(clock.physics)) {
        simulation.setForcingNoise(clock.noise);
    }
    simulation.setState(psi, clock.frames);
    // A run that carried dye goes on with it; one that carried none has none.
    simulation.setDye(clock.dye.get());
}

RunClock savedClockOf(const Simulation& simulation) {
    return RunClock{.frames = simulation.framesDone(),
                    .reynolds = simulation.reynolds(),
                    .filter = simulation.frameSettings().filter,
                    .stabilityLimit = simulation.frameSettings().stabilityLimit,
                    .physics = simulation.physics(),
                    .noise = simulation.forcingNoise(),
                    .dye = simulation.dye() != nullptr ? std::make_shared<const DyeField>(*simulation.dye()) : nullptr};
}

std::vector<std::uint8_t> encodeSavedRun(const std::string& path, const Simulation& simulation) {
    return encodeState(stateFormatFor(path), simulation.psi(), savedClockOf(simulation));
}

}  // namespace swirlon
