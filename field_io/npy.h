// SPDX-License-Identifier: GPL-3.0-or-later
// 128x128 float64 arrays in NumPy's .npy format (C order, element [y][x] at GridSize*y + x):
// the exchange format for grid vorticity and for saved solver states.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "field_io/file_error.h"
#include "solver/grid.h"

namespace swirlon {

// The file's bytes for field: format version 1.0, dtype '<f8', shape (128, 128), C order.
std::vector<std::uint8_t> encodeNpyField(const PackedSpectrum& field);

// Checks the header strictly (magic, version, dtype '<f8', fortran_order False, shape
// (128, 128), no extra keys, no bytes past the data) and every value for finiteness. On success
// fills field and returns std::nullopt; otherwise returns what is wrong (with an empty path) and
// leaves field untouched.
std::optional<FileError> decodeNpyField(std::span<const std::uint8_t> bytes, PackedSpectrum& field);

// The same for a file. Nothing is written to field on failure.
std::optional<FileError> readNpyField(const std::string& path, PackedSpectrum& field);
// Writes atomically: the target is either replaced whole or left as it was.
std::optional<FileError> writeNpyField(const std::string& path, const PackedSpectrum& field);

}  // namespace swirlon
