// SPDX-License-Identifier: GPL-3.0-or-later
// Built-in initial fields made by the program, so a flow can start without a picture.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "solver/grid.h"

namespace swirlon {

// Fills psi (every entry) with the stream-function spectrum of the field the window starts
// with: a few vortices of both signs.
void loadDefaultField(PackedSpectrum& psi);

// Names accepted by loadPreset, in the order a usage text lists them.
std::vector<std::string> presetNames();

// Fills psi (every entry) with the stream-function spectrum of the named preset (seed matters
// only for random ones); returns std::nullopt, or a message naming the unknown preset and
// leaves psi untouched.
std::optional<std::string> loadPreset(std::string_view name, PackedSpectrum& psi, std::uint32_t seed = 1);

}  // namespace swirlon
