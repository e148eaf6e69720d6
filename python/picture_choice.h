// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures the module draws, chosen by name: the quantity (swirlon-batch's --picture names)
// and the colours. Each name is looked up in one table, so a new mode or colour map is one
// more row.
#pragma once

#include <pybind11/pybind11.h>

#include "field_io/colour_map.h"
#include "field_io/picture.h"

namespace swirlon::python {

struct PictureChoice {
    DisplayMode mode = DisplayMode::vorticity;
    ColourMap colours = ColourMap::classic;
};

// The picture that mode and colours (None: the colours the window starts with) name; raises
// ValueError for a name no table knows.
PictureChoice pictureChoiceNamed(const pybind11::object& mode, const pybind11::object& colours);

}  // namespace swirlon::python
