// SPDX-License-Identifier: GPL-3.0-or-later
// Built-in initial fields made by the program, so a flow can start without a picture.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "solver/grid.h"
#include "solver/physics_params.h"

namespace swirlon {

// A built-in field: the name it goes by, a line saying what it looks like, and the builder that
// fills psi (every entry) with its stream-function spectrum on psi's grid (the seed matters only
// for random ones).
struct Preset {
    std::string_view name;
    std::string_view description;
    void (*build)(PackedSpectrum& psi, std::uint32_t seed);
    // The terms a forced flow is meant to run with (none for a decaying one), and its Reynolds
    // number (0: whatever the run uses).
    PhysicsParams physics{};
    int reynolds = 0;
};

// Every built-in field, in the order a usage text lists them; the first is the window's start.
std::span<const Preset> presets();

// The preset of that name, or nullptr.
const Preset* findPreset(std::string_view name);

// Fills psi (every entry) with the stream-function spectrum of the field the window starts
// with: a few vortices of both signs.
void loadDefaultField(PackedSpectrum& psi);

// Fills psi with the named preset and returns true; an unknown name leaves psi untouched.
bool loadPreset(std::string_view name, PackedSpectrum& psi, std::uint32_t seed = 1);

}  // namespace swirlon
