// SPDX-License-Identifier: GPL-3.0-or-later
#include "field_io/colour_map.h"

#include <algorithm>

namespace swirlon {

// colour_map_tables.cpp
extern const ColourTable CoolWarmTable;
extern const ColourTable ViridisTable;

std::string_view colourMapName(ColourMap map) {
    switch (map) {
    case ColourMap::classic:
        return "classic";
    case ColourMap::diverging:
        return "diverging";
    case ColourMap::sequential:
        return "sequential";
    }
    return "classic";
}

std::optional<ColourMap> parseColourMap(std::string_view name) {
    const auto found =
        std::ranges::find_if(AllColourMaps, [name](ColourMap map) { return colourMapName(map) == name; });
    return found == AllColourMaps.end() ? std::nullopt : std::optional(*found);
}

std::string_view colourMapChoices() { return "classic, diverging or sequential"; }

const ColourTable* colourTable(ColourMap map) {
    switch (map) {
    case ColourMap::classic:
        return nullptr;
    case ColourMap::diverging:
        return &CoolWarmTable;
    case ColourMap::sequential:
        return &ViridisTable;
    }
    return nullptr;
}

bool centredOnZero(ColourMap map) { return map == ColourMap::diverging; }

}  // namespace swirlon
