// SPDX-License-Identifier: GPL-3.0-or-later
// A small, dependency-free PNG writer for 8-bit RGB pictures: the frames a batch run saves.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "field_io/file_error.h"

namespace swirlon {

// Checksums of the PNG chunks and of the zlib stream.
std::uint32_t crc32(std::span<const std::uint8_t> bytes);
std::uint32_t adler32(std::span<const std::uint8_t> bytes);

// A zlib stream holding bytes in one fixed-Huffman deflate block; repeats are found at the
// distances given (a picture's pixel and row strides), which is where enlarged pictures repeat.
std::vector<std::uint8_t> zlibCompress(std::span<const std::uint8_t> bytes, std::span<const std::size_t> distances);

// The PNG file of width x height pixels of red, green, blue, rows top-down. Returns an empty
// vector when the sizes are not positive or do not match rgb.
std::vector<std::uint8_t> encodePng(int width, int height, std::span<const std::uint8_t> rgb);

// Writes the PNG atomically.
std::optional<FileError> writePng(const std::string& path, int width, int height, std::span<const std::uint8_t> rgb);

}  // namespace swirlon
