// SPDX-License-Identifier: GPL-3.0-or-later
// N x N float64 arrays (N a supported grid size) in NumPy's .npy format (C order, element
// [y][x] at N*y + x):
// the exchange format for grid vorticity and for saved solver states; and the scalars that
// state files keep beside the spectrum.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "field_io/file_error.h"
#include "solver/grid.h"

namespace swirlon {

inline constexpr std::array<std::uint8_t, 6> NpyMagic{0x93, 'N', 'U', 'M', 'P', 'Y'};
// Far more than any header these arrays need; a larger one is not an array of ours.
inline constexpr std::size_t NpyMaxHeaderLength = 4096;
// The largest file a field of the largest grid can take: signature, version 2.0 header
// length, the longest header and the data.
inline constexpr std::size_t NpyMaxFieldFileBytes =
    NpyMagic.size() + 2 + 4 + NpyMaxHeaderLength +
    static_cast<std::size_t>(SupportedGridSizes.back()) * SupportedGridSizes.back() * sizeof(double);

// The file's bytes for field: format version 1.0, dtype '<f8', shape (N, N), C order.
std::vector<std::uint8_t> encodeNpyField(const PackedSpectrum& field);

// Checks the header strictly (magic, version, dtype '<f8', fortran_order False, shape
// (N, N) for a supported grid size N, no extra keys, no bytes past the data) and every value
// for finiteness. On success replaces field by the file's (on the file's grid) and returns
// std::nullopt; otherwise returns what is wrong (with an empty path) and
// leaves field untouched.
std::optional<FileError> decodeNpyField(std::span<const std::uint8_t> bytes, PackedSpectrum& field);

// One value of shape (): dtype '<f8', '<i8' or '|b1'.
std::vector<std::uint8_t> encodeNpyScalar(double value);
std::vector<std::uint8_t> encodeNpyScalar(std::int64_t value);
std::vector<std::uint8_t> encodeNpyScalar(bool value);
// The value of a shape () array of exactly that dtype (a finite one for float64, 0 or 1 for
// bool); nothing for any other bytes. Defined for double, std::int64_t and bool.
template <typename Value>
std::optional<Value> decodeNpyScalar(std::span<const std::uint8_t> bytes);

// The same for a file. Nothing is written to field on failure.
std::optional<FileError> readNpyField(const std::string& path, PackedSpectrum& field);
// Writes atomically: the target is either replaced whole or left as it was.
std::optional<FileError> writeNpyField(const std::string& path, const PackedSpectrum& field);

}  // namespace swirlon
