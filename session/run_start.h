// SPDX-License-Identifier: GPL-3.0-or-later
// How a headless run starts: from a built-in field, from vorticity (a picture, a .npy file or
// an array) or from a saved state, with the settings and terms its front end chooses. The batch
// tool and the Python module both start runs here, so the same choices give the same run bit
// for bit.
#pragma once

#include <cstdint>
#include <optional>

#include "field_io/presets.h"
#include "field_io/state_file.h"
#include "solver/grid.h"
#include "solver/physics_params.h"
#include "solver/simulation.h"
#include "solver/stable_frame.h"

namespace swirlon {

// The Reynolds number of a run that neither its front end nor its start field chooses.
inline constexpr int DefaultRunReynolds = 1000;

// The terms beyond the plain equation; each one unset takes a continued state's value, else a
// preset's, else the default (none of them on).
struct TermChoices {
    std::optional<ForcingKind> forcing;
    std::optional<int> forcingWaveNumber;
    std::optional<double> forcingAmplitude;
    std::optional<double> injectionRate;
    std::optional<double> drag;
    std::optional<double> hyperviscosity;
    std::optional<int> hyperOrder;

    bool operator==(const TermChoices&) const = default;
};

// What a front end chose; each setting left unset falls to what the start field brings, else
// to the default.
struct RunChoices {
    // Unset: a continued state's, else a preset's, else DefaultRunReynolds.
    std::optional<int> reynolds;
    // Unset: the grid of a saved state or of vorticity given on its own grid, else the default.
    std::optional<int> grid;
    // Unset: a continued state's setting, else off.
    std::optional<bool> filter;
    // Unset: a continued state's limit, else the safe default.
    std::optional<double> stabilityLimit;
    // Seed of random presets and of the ring forcing's generator (a continued forced run keeps
    // the generator its state records).
    std::uint32_t seed = 1;
    // Unset: what runs best on the run's grid.
    std::optional<int> threads;
    TermChoices terms;
};

// The grid and frame settings a run is made with before its start field is known.
Grid chosenGrid(const RunChoices& choices);
FrameSettings chosenFrameSettings(const RunChoices& choices);

// The preset's field at the seed becomes the state, with its Reynolds number and terms where
// the choices leave them open.
void startFromPreset(Simulation& simulation, const Preset& preset, const RunChoices& choices);

// Grid vorticity becomes the state: a picture's, made on the run's grid, or an array's, whose
// grid the run takes unless the choices name one.
void startFromVorticity(Simulation& simulation, const PackedSpectrum& gridVorticity, const RunChoices& choices);

// A saved state goes on by the saved-run rule (session/saved_run.h), the choices being the
// explicit settings and terms; an unforced state starts the generator from the seed.
void continueFromState(Simulation& simulation, const PackedSpectrum& psi, const RunClock& clock,
                       const RunChoices& choices);

}  // namespace swirlon
