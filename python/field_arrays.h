// SPDX-License-Identifier: GPL-3.0-or-later
// Fields as numpy arrays: N x N float64, element [y, x] (the .npy files' orientation), always
// copies, so Python never holds the solver's storage.
#pragma once

#include <pybind11/numpy.h>

#include <memory>
#include <string_view>

#include "solver/grid.h"

namespace swirlon::python {

// A new array holding the grid values of field.
pybind11::array_t<double> gridArray(const PackedSpectrum& field);

// The grid values of an N x N float64 numpy array of finite values (N a supported grid size),
// any strides; otherwise raises TypeError or ValueError naming what (the argument) and what is
// wrong with it.
std::unique_ptr<PackedSpectrum> fieldFromArray(const pybind11::handle& array, std::string_view what);

}  // namespace swirlon::python
