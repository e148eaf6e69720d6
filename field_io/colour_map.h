// SPDX-License-Identifier: GPL-3.0-or-later
// The colour maps a picture may use: the described colours the program always had, a diverging
// map symmetric about zero and a sequential one, both perceptually even and readable by
// colour-blind eyes. The two new maps are tables of published colour data (colour_map_tables.cpp).
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "field_io/picture.h"

namespace swirlon {

enum class ColourMap {
    // Red and blue fading to black for vorticity, the squared-speed ramp: the described colours.
    classic,
    // Blue through light grey to red, the grey at zero: Moreland's cool-warm.
    diverging,
    // Dark blue-violet through green to yellow: viridis.
    sequential,
};

inline constexpr std::array AllColourMaps{ColourMap::classic, ColourMap::diverging, ColourMap::sequential};

inline constexpr int ColourTableSize = 256;
using ColourTable = std::array<Rgb, ColourTableSize>;

// The name on the command line: "classic", "diverging", "sequential".
std::string_view colourMapName(ColourMap map);
std::optional<ColourMap> parseColourMap(std::string_view name);
// "classic, diverging or sequential", for messages and usage texts.
std::string_view colourMapChoices();

// The table of a tabled map, lowest value first; nullptr for the classic colours, which are
// formulas (picture.h).
const ColourTable* colourTable(ColourMap map);

// Whether the map's middle entry belongs to zero wherever the range lies (a diverging map), or
// the map spans the whole colour range from its low end (a sequential one).
bool centredOnZero(ColourMap map);

}  // namespace swirlon
