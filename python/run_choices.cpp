// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/run_choices.h"

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "messages/file_error_text.h"
#include "python/named_values.h"
#include "python/python_errors.h"
#include "solver/grid.h"
#include "solver/step_threads.h"

namespace swirlon::python {

namespace py = pybind11;

namespace {

constexpr std::array<NamedValue<ForcingKind>, 3> ForcingNames{
    {{"none", ForcingKind::none}, {"stripes", ForcingKind::stripes}, {"ring", ForcingKind::ring}}};

std::string shown(const py::handle& value) { return std::string(py::repr(value)); }

// An integer in [minimum, maximum] (bool is not taken for a number).
std::optional<long long> integerArgument(const py::object& value, const char* name, long long minimum,
                                         long long maximum) {
    if (value.is_none()) {
        return std::nullopt;
    }
    if (!py::isinstance<py::int_>(value) || py::isinstance<py::bool_>(value)) {
        raiseTypeError(std::string(name) + " must be an integer, not " + shown(value));
    }
    const py::int_ lowest(minimum);
    const py::int_ highest(maximum);
    if (value < lowest || value > highest) {
        raiseValueError(std::string(name) + " must be an integer from " + std::to_string(minimum) + " to " +
                        std::to_string(maximum) + ", not " + shown(value));
    }
    return value.cast<long long>();
}

template <typename Integer>
std::optional<Integer> narrowed(std::optional<long long> value) {
    return value ? std::optional(static_cast<Integer>(*value)) : std::nullopt;
}

// A finite number above 0 (at least 0 with zeroAllowed) and at most maximum.
std::optional<double> numberArgument(const py::object& value, const char* name, bool zeroAllowed,
                                     double maximum = std::numeric_limits<double>::max()) {
    if (value.is_none()) {
        return std::nullopt;
    }
    if (!(py::isinstance<py::float_>(value) || py::isinstance<py::int_>(value)) || py::isinstance<py::bool_>(value)) {
        raiseTypeError(std::string(name) + " must be a number, not " + shown(value));
    }
    const double number = value.cast<double>();
    if (!std::isfinite(number) || number < 0.0 || (number == 0.0 && !zeroAllowed) || number > maximum) {
        const std::string bound =
            maximum < std::numeric_limits<double>::max() ? " and at most " + shown(py::float_(maximum)) : "";
        raiseValueError(std::string(name) + " must be a finite number " + (zeroAllowed ? "at least 0" : "above 0") +
                        bound + ", not " + shown(value));
    }
    return number;
}

std::optional<bool> switchArgument(const py::object& value, const char* name) {
    if (value.is_none()) {
        return std::nullopt;
    }
    if (!py::isinstance<py::bool_>(value)) {
        raiseTypeError(std::string(name) + " must be True or False, not " + shown(value));
    }
    return value.cast<bool>();
}

std::optional<int> gridArgument(const py::object& value) {
    const auto size =
        narrowed<int>(integerArgument(value, "grid", SupportedGridSizes.front(), SupportedGridSizes.back()));
    if (size && !isSupportedGridSize(*size)) {
        raiseValueError("grid must be one of " + english::gridSizesText() + ", not " + shown(value));
    }
    return size;
}

std::optional<ForcingKind> forcingArgument(const py::object& value) {
    if (value.is_none()) {
        return std::nullopt;
    }
    const std::optional<ForcingKind> kind = valueNamed(ForcingNames, value);
    if (!kind) {
        raiseValueError("forcing must be None, " + namesOf(ForcingNames) + ", not " + shown(value));
    }
    return kind;
}

}  // namespace

const char* forcingName(ForcingKind kind) { return nameOf(ForcingNames, kind); }

RunChoices runChoicesFrom(const ChoiceArguments& arguments) {
    constexpr long long IntMax = std::numeric_limits<int>::max();
    return RunChoices{
        .reynolds = narrowed<int>(integerArgument(arguments.re, "re", 1, IntMax)),
        .grid = gridArgument(arguments.grid),
        .filter = switchArgument(arguments.filter, "filter"),
        .stabilityLimit = numberArgument(arguments.stabilityLimit, "stability_limit", false, MaxStabilityLimit),
        .seed = narrowed<std::uint32_t>(
                    integerArgument(arguments.seed, "seed", 0, std::numeric_limits<std::uint32_t>::max()))
                    .value_or(RunChoices{}.seed),
        .threads = narrowed<int>(integerArgument(arguments.threads, "threads", 1, MaxStepThreads)),
        .terms =
            TermChoices{
                .forcing = forcingArgument(arguments.forcing),
                .forcingWaveNumber = narrowed<int>(
                    integerArgument(arguments.forcingWaveNumber, "forcing_wavenumber", 1, MaxForcingWaveNumber)),
                .forcingAmplitude = numberArgument(arguments.forcingAmplitude, "forcing_amplitude", false),
                .injectionRate = numberArgument(arguments.injectionRate, "injection_rate", false),
                .drag = numberArgument(arguments.drag, "drag", true),
                .hyperviscosity = numberArgument(arguments.hyperviscosity, "hyperviscosity", true),
                .hyperOrder = narrowed<int>(integerArgument(arguments.hyperOrder, "hyper_order", 1, MaxHyperOrder)),
            },
    };
}

}  // namespace swirlon::python
