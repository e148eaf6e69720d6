// SPDX-License-Identifier: GPL-3.0-or-later
#include "python/field_arrays.h"

#include <cmath>
#include <cstring>
#include <string>

#include "messages/file_error_text.h"
#include "python/python_errors.h"

namespace swirlon::python {

namespace py = pybind11;

py::array_t<double> gridArray(const PackedSpectrum& field) {
    const auto side = static_cast<py::ssize_t>(field.grid().size());
    py::array_t<double> array({side, side});
    std::memcpy(array.mutable_data(), field.data(), field.size() * sizeof(double));
    return array;
}

std::unique_ptr<PackedSpectrum> fieldFromArray(const py::handle& array, std::string_view what) {
    const std::string name(what);
    if (!py::isinstance<py::array>(array)) {
        raiseTypeError(name + " must be a numpy array of float64, not " +
                       std::string(py::str(array.get_type().attr("__name__"))));
    }
    const auto values = py::reinterpret_borrow<py::array>(array);
    if (!values.dtype().equal(py::dtype::of<double>())) {
        raiseTypeError(name + ": dtype must be float64 (native byte order), found " +
                       std::string(py::str(values.dtype())));
    }
    const bool square = values.ndim() == 2 && values.shape(0) == values.shape(1);
    if (!square || !isSupportedGridSize(static_cast<int>(values.shape(0)))) {
        raiseValueError(name + ": shape must be (N, N) with N one of " + english::gridSizesText() + ", found " +
                        std::string(py::str(array.attr("shape"))));
    }
    const auto typed = py::reinterpret_borrow<py::array_t<double>>(array);
    const auto view = typed.unchecked<2>();
    auto field = std::make_unique<PackedSpectrum>(Grid(static_cast<int>(values.shape(0))));
    const int side = field->grid().size();
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const double value = view(y, x);
            if (!std::isfinite(value)) {
                raiseValueError(name + ": non-finite value at (row, column) (" + std::to_string(y) + ", " +
                                std::to_string(x) + ")");
            }
            (*field)[static_cast<std::size_t>(field->grid().entryIndex(y, x))] = value;
        }
    }
    return field;
}

}  // namespace swirlon::python
