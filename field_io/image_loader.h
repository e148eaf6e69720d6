// SPDX-License-Identifier: GPL-3.0-or-later
// Initial vorticity from any picture: a BMP file goes through the BMP loader; any other picture
// through a decoder the caller supplies (a toolkit's image reader), whose 24-bit pixels then get
// the BMP path's resampling and colour rule.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "field_io/bmp_loader.h"
#include "field_io/file_error.h"
#include "solver/grid.h"

namespace swirlon {

// A decoded picture: height rows top-down, each width pixels of blue, green, red bytes, rows
// stride bytes apart.
struct DecodedPicture {
    std::vector<std::uint8_t> pixels;
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t stride = 0;
};

// Decodes the picture at path; std::nullopt when it cannot.
using PictureDecoder = std::function<std::optional<DecodedPicture>(const std::string& path)>;

// Whether the file at path is read by the BMP loader: a file that begins with the BMP signature,
// a name ending in .bmp (any case) unless the content begins as a PNG, JPEG or GIF does, or a
// path that cannot be opened or is a folder (the BMP loader words the failure as it always has).
bool readsAsBmp(const std::string& path);

// Loads path as loadVorticityBmp does when readsAsBmp, and otherwise through decode: a
// picture the decoder cannot read, or whose pixels do not fill the size it reports, is a
// pictureUnreadable error. On failure vorticity is untouched. colours, when given, receives
// the resampled picture (see resampleVorticity).
std::optional<FileError> loadVorticityPicture(const std::string& path, PackedSpectrum& vorticity,
                                              const PictureDecoder& decode, BmpInfoHeaderBytes* infoHeader = nullptr,
                                              std::vector<std::uint8_t>* colours = nullptr);

}  // namespace swirlon
