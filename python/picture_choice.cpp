// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/picture_choice.h"

#include <array>
#include <optional>
#include <string>

#include "python/named_values.h"
#include "python/python_errors.h"

namespace swirlon::python {

namespace py = pybind11;

namespace {

constexpr std::array<NamedValue<DisplayMode>, 3> ModeNames{
    {{"vorticity", DisplayMode::vorticity}, {"speed", DisplayMode::speed}, {"dye", DisplayMode::dye}}};
// swirlon-batch's --colours names.
constexpr std::array<NamedValue<ColourMap>, 3> ColourNames{
    {{"classic", ColourMap::classic}, {"diverging", ColourMap::diverging}, {"sequential", ColourMap::sequential}}};

}  // namespace

PictureChoice pictureChoiceNamed(const py::object& mode, const py::object& colours) {
    const std::optional<DisplayMode> shown = valueNamed(ModeNames, mode);
    if (!shown) {
        raiseValueError("mode must be " + namesOf(ModeNames) + ", not " + std::string(py::repr(mode)));
    }
    const std::optional<ColourMap> drawnIn =
        colours.is_none() ? std::optional(ColourMap::classic) : valueNamed(ColourNames, colours);
    if (!drawnIn) {
        raiseValueError("colours must be None or " + namesOf(ColourNames) + ", not " + std::string(py::repr(colours)));
    }
    return PictureChoice{.mode = *shown, .colours = *drawnIn};
}

}  // namespace swirlon::python
