// SPDX-License-Identifier: GPL-3.0-or-later
// PNG files of 8-bit RGB pictures (the frames a batch run saves), encoded by libpng.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "field_io/atomic_file.h"
#include "field_io/file_error.h"

namespace swirlon {

// The PNG file of width x height pixels of red, green, blue, rows top-down. Returns an empty
// vector when the sizes are not positive or do not match rgb, or when libpng fails.
std::vector<std::uint8_t> encodePng(int width, int height, std::span<const std::uint8_t> rgb);

// Writes the PNG atomically.
std::optional<FileError> writePng(const std::string& path, int width, int height, std::span<const std::uint8_t> rgb,
                                  Durability durability = Durability::flushEachFile);

}  // namespace swirlon
