// SPDX-License-Identifier: GPL-3.0-or-later
// How a saved run goes on, in the window and in swirlon-batch alike, and what a run saves.
//
// The rule: the clock always comes from the file. Each setting (Reynolds number, small-scale
// filter, stability limit) is the explicit choice when there is one (a command-line option, or
// a Reynolds number the window's menu cannot offer); otherwise the file's own setting holds.
// A bare .npy spectrum records no settings: there the settings already in force stay, except
// the stability limit, which such files always ran at the safe default. The extra terms
// (drag, hyperviscosity, forcing) and the forcing generator's position are the file's; a front
// end that offers explicit terms sets them after.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "field_io/state_file.h"
#include "solver/grid.h"
#include "solver/simulation.h"

namespace swirlon {

// Settings chosen explicitly; each one given outweighs the file's.
struct ExplicitSettings {
    std::optional<int> reynolds = std::nullopt;
    std::optional<bool> filter = std::nullopt;
    std::optional<double> stabilityLimit = std::nullopt;
};

// Whether the file recorded its settings (a .npz does, a bare .npy spectrum does not).
constexpr bool recordsSettings(const RunClock& clock) { return clock.reynolds > 0; }

// Sets simulation to the saved state psi with its clock, its dye (or none) and the settings the
// rule gives.
void continueSavedRun(Simulation& simulation, const PackedSpectrum& psi, const RunClock& clock,
                      const ExplicitSettings& chosen);

// The clock and settings of a run, as a state file records them.
RunClock savedClockOf(const Simulation& simulation);

// The bytes of the state file for path (its format follows the name); empty if the archive
// could not be made.
std::vector<std::uint8_t> encodeSavedRun(const std::string& path, const Simulation& simulation);

}  // namespace swirlon
