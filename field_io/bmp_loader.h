// SPDX-License-Identifier: GPL-3.0-or-later
// Initial vorticity from a 24-bit BMP file: colours become vorticity on the 128x128 grid.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "field_io/file_error.h"
#include "solver/grid.h"

namespace swirlon {

// The 40 bytes of the file's info header as read from the file (little-endian on disk).
using BmpInfoHeaderBytes = std::array<std::uint8_t, 40>;

// Reads the file at path and, on success, fills vorticity with its grid vorticity (every
// element written); returns std::nullopt. On any failure returns what went wrong and leaves
// vorticity untouched. infoHeader, when given, receives the info-header bytes that were read,
// also when the load then fails.
//
// Accepted: uncompressed 24-bit files with any info header of at least 40 bytes (V4 and V5
// included), pixels taken from the header's pixel-data offset, bottom-up or top-down rows.
std::optional<FileError> loadVorticityBmp(const std::string& path, PackedSpectrum& vorticity,
                                          BmpInfoHeaderBytes* infoHeader = nullptr);

// Bytes of one 24-bit row of a picture width pixels wide (width > 0): 3 * width rounded up to
// a multiple of four.
std::int64_t bmpRowStride(std::int64_t width);

// The colour rule: reddish pixels (red above blue) give positive vorticity from red + green,
// the others negative vorticity from green + blue; a multiple of 10/256 in [-19.92, 19.92].
double vorticityOfColour(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

}  // namespace swirlon
