// SPDX-License-Identifier: GPL-3.0-or-later
// The English wording of file errors and of refused start fields, as swirlon-batch prints them
// and the Python module raises them.
#pragma once

#include <string>
#include <string_view>

#include "field_io/file_error.h"

namespace swirlon::english {

// The grid sizes a run accepts, as a list: "64, 128, 256, 512".
std::string gridSizesText();

// One line naming the path and what is wrong with it.
std::string fileErrorText(const FileError& error);

// Why name is refused as a preset, listing the known ones.
std::string unknownPresetText(std::string_view name);

}  // namespace swirlon::english
