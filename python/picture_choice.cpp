// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/picture_choice.h"

#include <array>
#include <string>

#include "python/python_errors.h"

namespace swirlon::python {

namespace py = pybind11;

namespace {

struct ModeName {
    const char* name;
    DisplayMode mode;
};
constexpr std::array<ModeName, 2> ModeNames{{{"vorticity", DisplayMode::vorticity}, {"speed", DisplayMode::speed}}};

// The colour maps by name; today the fixed colours of the described pictures alone.
constexpr std::array<const char*, 1> ColourNames{"classic"};

template <typename Table, typename NameOf>
std::string namesOf(const Table& table, NameOf nameOf) {
    std::string names;
    for (const auto& row : table) {
        names += (names.empty() ? "'" : ", '") + std::string(nameOf(row)) + "'";
    }
    return names;
}

std::string textOf(const py::object& value) {
    return py::isinstance<py::str>(value) ? value.cast<std::string>() : std::string();
}

}  // namespace

PictureChoice pictureChoiceNamed(const py::object& mode, const py::object& colours) {
    PictureChoice choice;
    const std::string modeName = textOf(mode);
    bool modeKnown = false;
    for (const ModeName& known : ModeNames) {
        if (modeName == known.name) {
            choice.mode = known.mode;
            modeKnown = true;
        }
    }
    if (!modeKnown) {
        raiseValueError("mode must be one of " + namesOf(ModeNames, [](const ModeName& row) { return row.name; }) +
                        ", not " + std::string(py::repr(mode)));
    }
    if (!colours.is_none()) {
        const std::string colourName = textOf(colours);
        bool colourKnown = false;
        for (const char* known : ColourNames) {
            colourKnown = colourKnown || colourName == known;
        }
        if (!colourKnown) {
            raiseValueError("colours must be None or one of " +
                            namesOf(ColourNames, [](const char* name) { return name; }) + ", not " +
                            std::string(py::repr(colours)));
        }
    }
    return choice;
}

}  // namespace swirlon::python
