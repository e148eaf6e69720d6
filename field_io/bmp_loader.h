// Initial vorticity from a 24-bit BMP file: colours become vorticity on the 128x128 grid, and
// the stream function of that vorticity becomes the state.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "solver/grid.h"

namespace swirlon {

// The 40 bytes of the file's info header as read from the file (little-endian on disk).
using BmpInfoHeaderBytes = std::array<std::uint8_t, 40>;

// Reads the file at path and, on success, replaces psi with the stream-function spectrum of
// its vorticity; returns std::nullopt. On any failure returns the message to show the user
// (UTF-8, path included) and leaves the bank untouched. infoHeader, when given, receives the
// info-header bytes that were read, also when the load then fails.
std::optional<std::string> loadVorticityBmp(const std::string& path, FieldBank& bank,
                                            BmpInfoHeaderBytes* infoHeader = nullptr);

}  // namespace swirlon
