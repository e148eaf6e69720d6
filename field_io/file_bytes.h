// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a whole input file whose size has a known bound, so that a huge or endless file (a
// device, a pipe) costs no more than the bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "field_io/file_error.h"

namespace swirlon {

// The file's bytes into out. A file of more than maxBytes gives an error of kind tooLarge.
std::optional<FileError> readFileBytes(const std::string& path, std::size_t maxBytes, FileErrorKind tooLarge,
                                       std::vector<std::uint8_t>& out);

}  // namespace swirlon
