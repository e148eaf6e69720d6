// SPDX-License-Identifier: GPL-3.0-or-later
// Initial vorticity from a 24-bit BMP file: colours become vorticity on the grid.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "field_io/file_error.h"
#include "solver/grid.h"

namespace swirlon {

// The 40 bytes of the file's info header as read from the file (little-endian on disk).
using BmpInfoHeaderBytes = std::array<std::uint8_t, 40>;

// Reads the file at path and, on success, fills vorticity with its grid vorticity on
// vorticity's own grid (every element written); returns std::nullopt. On any failure returns what went wrong and leaves
// vorticity untouched. infoHeader, when given, receives the info-header bytes that were read,
// also when the load then fails.
//
// Accepted: uncompressed 24-bit files with any info header of at least 40 bytes (V4 and V5
// included), pixels taken from the header's pixel-data offset, bottom-up or top-down rows.
// colours, when given, receives the resampled picture itself (see resampleVorticity).
std::optional<FileError> loadVorticityBmp(const std::string& path, PackedSpectrum& vorticity,
                                          BmpInfoHeaderBytes* infoHeader = nullptr,
                                          std::vector<std::uint8_t>* colours = nullptr);

// Bytes of one 24-bit row of a picture width pixels wide (width > 0): 3 * width rounded up to
// a multiple of four.
std::int64_t bmpRowStride(std::int64_t width);

// Rows of 24-bit pixels, three bytes each in the order blue, green, red.
struct PixelLayout {
    std::int64_t width = 0;
    std::int64_t rows = 0;
    // Bytes from the start of one row to the next, at least 3 * width.
    std::int64_t stride = 0;
    // Whether the first row is the top of the picture (a BMP's first row is its bottom).
    bool topDown = false;
};

// Nearest-pixel resampling onto the grid of `grid` (truncating integer division, anchored at the bottom
// left pixel; grid row 0 is the picture's bottom row) and the colour rule. pixels holds rows
// rows of layout.stride bytes (the last may stop after its pixels); width and rows positive.
// colours, when given, receives the resampled pixels themselves: N x N of blue, green, red,
// row 0 the bottom (the layout of a picture buffer, field_io/picture.h), for the dye.
void resampleVorticity(std::span<const std::uint8_t> pixels, const PixelLayout& layout, PackedSpectrum& grid,
                       std::vector<std::uint8_t>* colours = nullptr);

// The colour rule: reddish pixels (red above blue) give positive vorticity from red + green,
// the others negative vorticity from green + blue; a multiple of 10/256 in [-19.92, 19.92].
double vorticityOfColour(std::uint8_t blue, std::uint8_t green, std::uint8_t red);

}  // namespace swirlon
