// SPDX-License-Identifier: GPL-3.0-or-later
// The keyword arguments that choose a run's settings and terms, as Python passes them, checked
// and turned into the choices a run starts with (session/run_start.h).
#pragma once

#include <pybind11/pybind11.h>

#include "session/run_start.h"

namespace swirlon::python {

// Each argument None or a value of the kind its name says; a value out of its range is refused.
struct ChoiceArguments {
    pybind11::object grid;
    pybind11::object re;
    pybind11::object filter;
    pybind11::object stabilityLimit;
    pybind11::object seed;
    pybind11::object threads;
    pybind11::object forcing;
    pybind11::object forcingWaveNumber;
    pybind11::object forcingAmplitude;
    pybind11::object injectionRate;
    pybind11::object drag;
    pybind11::object hyperviscosity;
    pybind11::object hyperOrder;
};

// The choices the arguments make; raises TypeError or ValueError naming the argument refused.
RunChoices runChoicesFrom(const ChoiceArguments& arguments);

// The forcing's name as the arguments and swirlon-batch's --forcing take it.
const char* forcingName(ForcingKind kind);

}  // namespace swirlon::python
